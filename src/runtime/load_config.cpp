// The image's load configuration directory, for the lld build. The linker
// points the directory at _load_config_used and fills the __guard_* symbols
// with the Control Flow Guard tables it builds. Written in assembly because
// one of its fields, GuardFlags, takes a symbol's value (which the linker
// sets to the flags) as a 32-bit number, which C++ can't put into a constant.
//
// What Windows takes from it:
// - DependentLoadFlags 0x800 (LOAD_LIBRARY_SEARCH_SYSTEM32): what the static
//   imports load in turn comes from System32 only (Windows 10 1607 and later);
// - the security cookie: the stack guard, randomised by the loader;
// - the Control Flow Guard check and dispatch pointers, which the loader
//   aims at the system's checks, and the table of valid call targets.

__asm__(R"(
    .section .rdata,"dr"
    .globl _load_config_used
    .p2align 3
_load_config_used:
    .long   0xC0                            # Size: through the long-jump table
    .long   0                               # TimeDateStamp
    .short  0, 0                            # MajorVersion, MinorVersion
    .long   0, 0, 0                         # GlobalFlagsClear, GlobalFlagsSet, CriticalSectionDefaultTimeout
    .quad   0, 0, 0, 0, 0, 0                # DeCommit thresholds (2), LockPrefixTable, MaximumAllocationSize, VirtualMemoryThreshold, ProcessAffinityMask
    .long   0                               # ProcessHeapFlags
    .short  0                               # CSDVersion
    .short  0x0800                          # DependentLoadFlags: LOAD_LIBRARY_SEARCH_SYSTEM32
    .quad   0                               # EditList
    .quad   __stack_chk_guard               # SecurityCookie
    .quad   0, 0                            # SEHandlerTable, SEHandlerCount (x86 only)
    .quad   __guard_check_icall_fptr        # GuardCFCheckFunctionPointer
    .quad   __guard_dispatch_icall_fptr     # GuardCFDispatchFunctionPointer
    .quad   __guard_fids_table              # GuardCFFunctionTable
    .quad   __guard_fids_count              # GuardCFFunctionCount
    .long   __guard_flags                   # GuardFlags
    .short  0, 0                            # CodeIntegrity: Flags, Catalog
    .long   0, 0                            # CodeIntegrity: CatalogOffset, Reserved
    .quad   __guard_iat_table               # GuardAddressTakenIatEntryTable
    .quad   __guard_iat_count               # GuardAddressTakenIatEntryCount
    .quad   __guard_longjmp_table           # GuardLongJumpTargetTable
    .quad   __guard_longjmp_count           # GuardLongJumpTargetCount

    # Until the loader aims them at the system's own checks (with Control
    # Flow Guard off, or on a system without it), indirect calls go straight
    # to their target.
    .text
__guard_check_icall_nop:
    ret
__guard_dispatch_icall_nop:
    jmp     *%rax

    .section .00cfg,"dr"
    .globl __guard_check_icall_fptr
    .globl __guard_dispatch_icall_fptr
    .p2align 3
__guard_check_icall_fptr:
    .quad   __guard_check_icall_nop
__guard_dispatch_icall_fptr:
    .quad   __guard_dispatch_icall_nop
)");
