// Window geometry is laid out in twips; Qt works in device-independent pixels.
#pragma once

namespace viewer {

// 15 twips make one pixel at 96 dpi; Qt scales pixels on high-density screens.
constexpr int px(int twips)
{
    return (twips + 7) / 15;
}

} // namespace viewer
