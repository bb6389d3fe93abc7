#pragma once

#include <QByteArray>

namespace zarava {

class DisplayView;

// What the display shows, as UTF-8 JSON for IT staff and for checks, in the form every view
// writes (ports/StateReport.h).
QByteArray StateReport(const DisplayView& view);

} // namespace zarava
