#pragma once

#include "ports/Host.h"

#include <QDialog>
#include <QRect>

namespace zarava {

// The display's message box: the icon, the text exactly in the lines it is given (never
// wrapped anew), an OK button; sized to its lines, shown on top, centred on the given monitor,
// with the title as given, even an empty one.
class MessageDialog final : public QDialog {
    Q_OBJECT
public:
    MessageDialog(const QString& text, const QString& title, MessageIcon icon, QRect monitor);

protected:
    void showEvent(QShowEvent* event) override;

private:
    QRect monitor_;
    QString title_;
};

} // namespace zarava
