#include "ui/centring.h"

#include <gtest/gtest.h>

namespace {

TEST(CentredOrigin, HalvesTheFreeSpaceTruncatingTowardZero)
{
    const struct {
        RECT desktop;
        RECT window;
        LONG x, y;
    } cases[] = {
        {{0, 0, 1920, 1080}, {0, 0, 400, 300}, 760, 390},
        {{0, 0, 1366, 767}, {0, 0, 400, 300}, 483, 233},    // halves dropped
        {{0, 0, 1280, 1024}, {120, 80, 520, 380}, 440, 362}, // only the size of the window counts
        {{0, 0, 401, 301}, {0, 0, 400, 300}, 0, 0},          // 1 / 2 rounds down to 0
        {{0, 0, 399, 299}, {0, 0, 400, 300}, 0, 0},          // -1 / 2 truncates to 0, not -1
        {{0, 0, 320, 200}, {0, 0, 400, 300}, -40, -50},      // smaller desktop: centred, off both edges
        {{0, 0, 317, 197}, {0, 0, 400, 300}, -41, -51},      // -83 / 2 and -103 / 2 toward zero
        {{-1920, -50, 1920, 1080}, {0, 0, 400, 300}, 760, 390}, // left and top are not read
    };
    for (const auto& c : cases) {
        const POINT origin = CentredOrigin(c.desktop, c.window);
        EXPECT_EQ(origin.x, c.x) << "desktop " << c.desktop.right << "x" << c.desktop.bottom;
        EXPECT_EQ(origin.y, c.y) << "desktop " << c.desktop.right << "x" << c.desktop.bottom;
    }
}

} // namespace
