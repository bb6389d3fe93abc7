#include "qtview/MessageDialog.h"

#include <QFontMetrics>
#include <QLabel>
#include <QTimer>

#include <gtest/gtest.h>

namespace zarava {
namespace {

// The write-access message on a monitor right of the first: in the middle of that monitor,
// and as wide as its longest line, which never wraps onto a line of its own.
TEST(MessageDialogTest, CentredOnItsMonitorAndSizedToTheLinesAsGiven) {
    const QString text = QString::fromUtf8(
        "ネットワーク ユーザーによるファイル変更が、　　\r\n制限されている様です。\r\n\r\n"
        "接続先フォルダの共有プロパティで、ファイルの変更を許可して下さい。　　　");
    const QRect monitor(1920, 0, 1280, 1024);
    MessageDialog box(text, "", MessageIcon::Information, monitor);
    QTimer::singleShot(0, &box, [&box, &text] {
        const QRect frame = box.frameGeometry();
        EXPECT_LE((frame.center() - QPoint(1920 + 640, 512)).manhattanLength(), 4);
        const QLabel* label = nullptr;
        for (const QLabel* l : box.findChildren<QLabel*>()) {
            if (!l->text().isEmpty()) {
                label = l;
            }
        }
        ASSERT_NE(label, nullptr);
        const QFontMetrics metrics(label->font());
        const QString longest = text.split("\r\n").last();
        EXPECT_GE(label->width(), metrics.horizontalAdvance(longest));
        EXPECT_LT(label->height(), 5 * metrics.lineSpacing()); // four lines, not five
        box.accept();
    });
    box.exec();
    EXPECT_TRUE(box.windowTitle().isEmpty());
}

} // namespace
} // namespace zarava
