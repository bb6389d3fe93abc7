#pragma once

#include "window/ChildWindow.h"
#include "window/Program.h"

namespace zarava {

// The design of the start-up picture window: one image over the whole client area.
const WindowDesign& FillerWindowDesign();

// The start-up picture that fills the spare cell of the room grid: top.jpg, else top.gif, from
// the program folder, stretched to the window whatever its proportions. No behaviour after
// its load.
class FillerWindow final : public ChildWindow {
public:
    explicit FillerWindow(Program& program);

protected:
    void Load(SettingsSnapshot& settings) override;

private:
    Program& program_;
};

} // namespace zarava
