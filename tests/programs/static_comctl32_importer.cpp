// What the program would be if it imported comctl32 the usual way: the
// control case that shows a planted comctl32.dll does get loaded then.
#include <windows.h>

#include <commctrl.h>

int main()
{
    INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_PROGRESS_CLASS};
    return InitCommonControlsEx(&icc) ? 0 : 1;
}
