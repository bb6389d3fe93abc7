#include "qtview/StateReport.h"

#include "qtview/DisplayView.h"

#include <QColor>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cstring>

namespace zarava {

namespace {

QString ColourName(Rgb c) {
    return QColor(c.r, c.g, c.b).name().toUpper();
}

QString Kind(const WindowDesign& design) {
    if (std::strcmp(design.className, "RoomWindow") == 0) {
        return QStringLiteral("room");
    }
    if (std::strcmp(design.className, "FillerWindow") == 0) {
        return QStringLiteral("filler");
    }
    return QString::fromUtf8(design.className);
}

QJsonObject Control(const ControlDesign& design, const ControlState& state) {
    QJsonObject c{{"visible", state.visible}};
    switch (design.kind) {
    case ControlKind::Image:
        c["picture"] = state.picture.fileBytes ? QStringLiteral("file")
                                               : QString::fromStdString(state.picture.resource);
        break;
    case ControlKind::TextLabel:
    case ControlKind::PlainLabel:
        c["enabled"] = state.enabled;
        c["caption"] = QString::fromStdString(state.caption);
        c["back"] = ColourName(state.back);
        c["fore"] = ColourName(state.fore);
        break;
    case ControlKind::Frame:
        c["back"] = ColourName(state.back);
        break;
    }
    return c;
}

} // namespace

QByteArray StateReport(const DisplayView& view) {
    const FrameSnapshot& frame = view.Frame();
    QJsonArray windows;
    for (const DisplayView::ShownWindow& shown : view.ShownWindows()) {
        const WindowSnapshot& s = *shown.snapshot;
        if (s.design == nullptr || s.controls.size() != s.design->controls.size()) {
            continue;
        }
        QJsonObject controls;
        for (std::size_t i = 0; i < s.controls.size(); ++i) {
            const ControlDesign& d = s.design->controls[i];
            const QString name = d.index < 0 ? QString::fromUtf8(d.name)
                                             : QStringLiteral("%1(%2)").arg(d.name).arg(d.index);
            controls[name] = Control(d, s.controls[i]);
        }
        QJsonObject window{{"kind", Kind(*s.design)},       {"x", shown.cell.x()},
                           {"y", shown.cell.y()},           {"width", shown.cell.width()},
                           {"height", shown.cell.height()}, {"controls", controls}};
        if (window["kind"] == QStringLiteral("room")) {
            window["room"] = s.tag;
        }
        windows.append(window);
    }
    const QJsonObject report{
        {"frame", QJsonObject{{"monitor", frame.monitor},
                              {"ticker", QString::fromStdString(frame.tickerCaption)},
                              {"blinkOn", frame.blinkOn},
                              {"closePending", frame.closePending}}},
        {"windows", windows}};
    return QJsonDocument(report).toJson(QJsonDocument::Indented);
}

} // namespace zarava
