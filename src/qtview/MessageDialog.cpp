#include "qtview/MessageDialog.h"

#include <QDialogButtonBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QStyle>
#include <QVBoxLayout>

#include <xcb/xcb.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace zarava {

namespace {

// Qt never leaves a window's title empty: it shows the application's name instead. The
// display's box has the main window's caption as its title, which is empty by design, so the
// window system's title properties are set here as they are.
void SetExactTitle(QWidget& window, const QString& title) {
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    if (!title.isEmpty() || QGuiApplication::platformName() != "xcb" || x11 == nullptr ||
        x11->connection() == nullptr) {
        return;
    }
    xcb_connection_t* connection = x11->connection();
    const auto atom = [connection](const char* name) {
        const xcb_intern_atom_cookie_t cookie =
            xcb_intern_atom(connection, 0, static_cast<std::uint16_t>(std::strlen(name)), name);
        xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(connection, cookie, nullptr);
        const xcb_atom_t found = reply != nullptr ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
        std::free(reply);
        return found;
    };
    const auto id = static_cast<xcb_window_t>(window.winId());
    for (const char* property : {"_NET_WM_NAME", "_NET_WM_VISIBLE_NAME"}) {
        xcb_change_property(connection, XCB_PROP_MODE_REPLACE, id, atom(property),
                            atom("UTF8_STRING"), 8, 0, nullptr);
    }
    xcb_change_property(connection, XCB_PROP_MODE_REPLACE, id, XCB_ATOM_WM_NAME, XCB_ATOM_STRING, 8,
                        0, nullptr);
    xcb_flush(connection);
}

} // namespace

MessageDialog::MessageDialog(const QString& text, const QString& title, MessageIcon icon,
                             QRect monitor)
    : monitor_(monitor), title_(title) {
    setWindowTitle(title);
    setWindowFlags(Qt::Dialog | Qt::WindowStaysOnTopHint | Qt::WindowTitleHint |
                   Qt::CustomizeWindowHint);
    setModal(true);

    auto* iconLabel = new QLabel;
    const QStyle::StandardPixmap standard = icon == MessageIcon::Critical
                                                ? QStyle::SP_MessageBoxCritical
                                                : QStyle::SP_MessageBoxInformation;
    const int iconSize = style()->pixelMetric(QStyle::PM_MessageBoxIconSize, nullptr, this);
    iconLabel->setPixmap(style()->standardIcon(standard, nullptr, this).pixmap(iconSize));
    iconLabel->setAlignment(Qt::AlignTop);

    auto* textLabel = new QLabel(QString(text).replace("\r\n", "\n"));
    textLabel->setWordWrap(false);
    textLabel->setTextFormat(Qt::PlainText);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);

    auto* row = new QHBoxLayout;
    row->addWidget(iconLabel);
    row->addSpacing(iconSize / 2);
    row->addWidget(textLabel, 1);
    auto* column = new QVBoxLayout(this);
    column->addLayout(row);
    column->addWidget(buttons);
    column->setSizeConstraint(QLayout::SetFixedSize);
}

void MessageDialog::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    // The size is final now; the box goes to the middle of its monitor, frame included.
    if (!monitor_.isEmpty()) {
        const QRect frame = frameGeometry();
        move(monitor_.center() - QPoint(frame.width() / 2, frame.height() / 2) +
             (pos() - frame.topLeft()));
    }
    SetExactTitle(*this, title_);
}

} // namespace zarava
