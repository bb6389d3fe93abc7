#include "infoband/Dummy_Form.h"

namespace zarava {

const WindowDesign& DummyFormDesign() {
    static const WindowDesign design{
        "Dummy_Form",
        6240,
        4260,
        {0xF0, 0xF0, 0xF0},
        {
            {.name = "ImageInfo", .kind = ControlKind::Image, .width = 6225, .height = 4260},
        },
    };
    return design;
}

Dummy_Form::Dummy_Form(Context& ctx) : ChildWindow(DummyFormDesign()), ctx_(ctx) {}

void Dummy_Form::Load() {
    Control("ImageInfo").visible = true;
}

} // namespace zarava
