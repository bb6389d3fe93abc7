#pragma once

#include "mainwindow/ChildWindow.h"
#include "mainwindow/Context.h"

namespace zarava {

const WindowDesign& DummyFormDesign();

// The start-up picture that fills the spare cell of the room grid.
class Dummy_Form final : public ChildWindow {
public:
    explicit Dummy_Form(Context& ctx);

protected:
    void Load() override;

private:
    Context& ctx_;
};

} // namespace zarava
