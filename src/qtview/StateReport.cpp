#include "qtview/StateReport.h"

#include "ports/StateReport.h"
#include "qtview/DisplayView.h"

namespace zarava {

QByteArray StateReport(const DisplayView& view) {
    std::vector<ReportedWindow> windows;
    for (const DisplayView::ShownWindow& shown : view.ShownWindows()) {
        const QRect& c = shown.cell;
        windows.push_back({shown.snapshot, {c.x(), c.y(), c.width(), c.height()}});
    }
    return QByteArray::fromStdString(StateReport(view.Frame(), windows));
}

} // namespace zarava
