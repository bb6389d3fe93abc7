#pragma once

#include "mainwindow/ChildWindow.h"
#include "mainwindow/Context.h"

#include <cstdint>

namespace zarava {

const WindowDesign& RoomWindowDesign();

// The window of one consultation room.
class Zarava_Display final : public ChildWindow {
public:
    explicit Zarava_Display(Context& ctx);

    std::int16_t RoomNo = 0;

protected:
    void Load() override;
    void Unload() override;

private:
    Context& ctx_;
};

} // namespace zarava
