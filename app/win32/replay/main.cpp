// zarava-replay.exe: shows a --state report of the display on the Win32 screen and writes its
// screenshot and its own report, so the Windows view can be compared with another build's
// picture of the same state (scripts/compare-screens). Room windows only; a picture read from
// a file shows as none. Drives the view through the Host port alone, as the engine does.
//
//   zarava-replay STATE.json SCREENSHOT.png REPLAYED-STATE.json

#include "../SystemConsole.h"
#include "JsonValue.h"
#include "ports/DisplayLayout.h"
#include "roomdisplay/RoomDesign.h"
#include "win32view/Win32Display.h"

#include <cmath>
#include <cstdio>
#include <string>

namespace zarava {
namespace {

Rgb Colour(const JsonValue& value) {
    unsigned bgr = 0;
    if (value.text.size() == 7) {
        bgr = static_cast<unsigned>(std::stoul(value.text.substr(1), nullptr, 16));
    }
    return {static_cast<unsigned char>(bgr >> 16), static_cast<unsigned char>(bgr >> 8),
            static_cast<unsigned char>(bgr)};
}

std::string ControlName(const ControlDesign& d) {
    return d.index < 0 ? d.name : std::string(d.name) + "(" + std::to_string(d.index) + ")";
}

// The design top that puts the control where the report saw it: its design top unless a
// handler moved it, then the nearest that gives the same pixels.
int DesignTop(const WindowDesign& design, std::size_t i, const JsonValue& control, Rect client) {
    const ControlDesign& d = design.controls[i];
    if (control["y"].kind != JsonValue::Kind::Number || d.parent >= 0) {
        return d.top;
    }
    const double scale = client.height / (design.height / 15.0);
    const auto pixel = [scale](int twips) { return std::lround(twips * scale / 15); };
    const auto fits = [&](int top) {
        return client.top + pixel(top) == std::lround(control["y"].number) &&
               pixel(top + d.height) - pixel(top) == std::lround(control["height"].number);
    };
    const auto estimate =
        static_cast<int>(std::lround((control["y"].number - client.top) * 15 / scale));
    for (int offset = 0; offset <= 30; ++offset) {
        for (const int top : {estimate - offset, estimate + offset}) {
            if (fits(top)) {
                return fits(d.top) ? d.top : top;
            }
        }
    }
    return estimate;
}

WindowChanges Room(int id, const JsonValue& window) {
    const WindowDesign& design = RoomWindowDesign();
    const Rect cell{static_cast<int>(window["x"].number), static_cast<int>(window["y"].number),
                    static_cast<int>(window["width"].number),
                    static_cast<int>(window["height"].number)};
    WindowChanges changes{id, &design};
    changes.tag = static_cast<int>(window["room"].number);
    for (std::size_t i = 0; i < design.controls.size(); ++i) {
        const JsonValue& c = window["controls"][ControlName(design.controls[i])];
        ControlState s;
        s.visible = c["visible"].boolean;
        s.enabled = c["enabled"].kind != JsonValue::Kind::Bool || c["enabled"].boolean;
        s.caption = c["caption"].text;
        s.back = Colour(c["back"]);
        s.fore = Colour(c["fore"]);
        s.picture.resource = c["picture"].text == "file" ? "" : c["picture"].text;
        s.top = DesignTop(design, i, c, ChildClient(cell));
        changes.controls.push_back({static_cast<int>(i), s});
    }
    return changes;
}

int Replay(const JsonValue& state, const std::string& screenshot, const std::string& report) {
    Win32Display display;
    FrameSnapshot frame;
    frame.shown = true;
    frame.titleBar = false;
    frame.monitor = static_cast<int>(state["frame"]["monitor"].number);
    frame.tickerCaption = state["frame"]["ticker"].text;
    frame.blinkOn = state["frame"]["blinkOn"].boolean;
    frame.closePending = state["frame"]["closePending"].boolean;
    frame.arrangement = Arrangement::TileVertical;
    frame.startupDone = true;
    int id = 0;
    for (const JsonValue& window : state["windows"].items) {
        if (window["kind"].text == "room") {
            display.host().PublishWindow(Room(++id, window));
            frame.children.push_back(id);
        }
    }
    display.host().PublishFrame(frame);
    int status = 0;
    display.OnStartupDrawn([&] {
        if (!display.SaveScreenshot(screenshot) || !WriteWholeFile(report, display.State())) {
            std::fprintf(stderr, "zarava-replay: cannot write %s or %s\n", screenshot.c_str(),
                         report.c_str());
            status = 1;
        }
        display.host().EndProcess(status);
    });
    return display.Run();
}

} // namespace
} // namespace zarava

int main() {
    using namespace zarava;
    AttachParentConsole();
    const std::vector<std::string> args = WideArguments();
    std::string text;
    if (args.size() != 3 || !ReadWholeFile(args[0], text)) {
        std::fprintf(stderr,
                     "usage: zarava-replay STATE.json SCREENSHOT.png REPLAYED-STATE.json\n");
        return 2;
    }
    const std::optional<JsonValue> state = ParseJson(text);
    if (!state || state->kind != JsonValue::Kind::Object) {
        std::fprintf(stderr, "zarava-replay: %s is not a state report\n", args[0].c_str());
        return 2;
    }
    return Replay(*state, args[1], args[2]);
}
