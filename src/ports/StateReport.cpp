#include "ports/StateReport.h"

#include "ports/DisplayLayout.h"

#include <cstdio>
#include <cstring>

namespace zarava {

namespace {

// The report is only ever written, in one fixed shape; a JSON library would add a dependency
// to both views for a few lines of escaping.
std::string Quoted(std::string_view text) {
    std::string out = "\"";
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (c == '\n') {
            out += "\\n";
        } else if (c == '\r') {
            out += "\\r";
        } else if (c == '\t') {
            out += "\\t";
        } else if (byte < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04X", byte);
            out += escaped;
        } else {
            out += c;
        }
    }
    return out + '"';
}

std::string Colour(Rgb c) {
    char text[8];
    std::snprintf(text, sizeof text, "#%02X%02X%02X", c.r, c.g, c.b);
    return Quoted(text);
}

const char* Bool(bool value) {
    return value ? "true" : "false";
}

std::string Kind(const WindowDesign& design) {
    if (std::strcmp(design.className, "RoomWindow") == 0) {
        return "room";
    }
    if (std::strcmp(design.className, "FillerWindow") == 0) {
        return "filler";
    }
    return design.className;
}

std::string ControlName(const ControlDesign& design) {
    return design.index < 0 ? design.name
                            : std::string(design.name) + "(" + std::to_string(design.index) + ")";
}

std::string Place(Rect r) {
    return ", \"x\": " + std::to_string(r.left) + ", \"y\": " + std::to_string(r.top) +
           ", \"width\": " + std::to_string(r.width) + ", \"height\": " + std::to_string(r.height);
}

std::string Control(const WindowSnapshot& window, std::size_t i, Rect client) {
    const ControlDesign& design = window.design->controls[i];
    const ControlState& state = window.controls[i];
    std::string c = std::string("{\"visible\": ") + Bool(state.visible);
    const Rect r = ControlRect(window, i, client.width, client.height);
    if (ControlShown(window, i) && r.width > 0 && r.height > 0) {
        c += Place({client.left + r.left, client.top + r.top, r.width, r.height});
    }
    switch (design.kind) {
    case ControlKind::Image:
        c += ", \"picture\": " + Quoted(state.picture.fileBytes ? "file" : state.picture.resource);
        break;
    case ControlKind::TextLabel:
    case ControlKind::PlainLabel:
        c += std::string(", \"enabled\": ") + Bool(state.enabled) +
             ", \"caption\": " + Quoted(state.caption) + ", \"back\": " + Colour(state.back) +
             ", \"fore\": " + Colour(state.fore);
        break;
    case ControlKind::Frame:
        c += ", \"back\": " + Colour(state.back);
        break;
    }
    return c + "}";
}

std::string Window(const ReportedWindow& shown) {
    const WindowSnapshot& s = *shown.snapshot;
    const std::string kind = Kind(*s.design);
    std::string w = "    {\"kind\": " + Quoted(kind);
    if (kind == "room") {
        w += ", \"room\": " + std::to_string(s.tag);
    }
    w += Place(shown.cell) + ", \"controls\": {";
    const Rect client = ChildClient(shown.cell);
    for (std::size_t i = 0; i < s.controls.size(); ++i) {
        w += (i == 0 ? "\n" : ",\n");
        w += "      " + Quoted(ControlName(s.design->controls[i])) + ": " + Control(s, i, client);
    }
    return w + "}}";
}

} // namespace

std::string StateReport(const FrameSnapshot& frame, const std::vector<ReportedWindow>& windows) {
    std::string report = "{\n  \"frame\": {\"monitor\": " + std::to_string(frame.monitor) +
                         ", \"ticker\": " + Quoted(frame.tickerCaption) +
                         ", \"blinkOn\": " + Bool(frame.blinkOn) +
                         ", \"closePending\": " + Bool(frame.closePending) + "},\n  \"windows\": [";
    bool first = true;
    for (const ReportedWindow& shown : windows) {
        const WindowSnapshot* s = shown.snapshot;
        if (s == nullptr || s->design == nullptr ||
            s->controls.size() != s->design->controls.size()) {
            continue;
        }
        report += (first ? "\n" : ",\n") + Window(shown);
        first = false;
    }
    return report + (first ? "]\n}\n" : "\n  ]\n}\n");
}

} // namespace zarava
