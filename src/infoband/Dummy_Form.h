#pragma once

#include "mainwindow/ChildWindow.h"
#include "mainwindow/Context.h"

namespace zarava {

// The design of the start-up picture window: one image over the whole client area.
const WindowDesign& DummyFormDesign();

// The start-up picture that fills the spare cell of the room grid: top.jpg, else top.gif, from
// the program folder, stretched to the window whatever its proportions. No behaviour after
// its load.
class Dummy_Form final : public ChildWindow {
public:
    explicit Dummy_Form(Context& ctx);

protected:
    void Load() override;

private:
    Context& ctx_;
};

} // namespace zarava
