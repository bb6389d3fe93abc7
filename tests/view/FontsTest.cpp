#include "qtview/Fonts.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <QStringList>

#include <gtest/gtest.h>

namespace zarava {
namespace {

// Every face the designs name is drawn by an installed IPA face, so Japanese text, digits and
// Latin letters of one label come from one face, and installing twice changes nothing.
TEST(FontsTest, DesignFontsResolveToAnIpaFaceKeepingSizeAndWeight) {
    if (!QFontDatabase::families().contains("IPAPGothic")) {
        GTEST_SKIP() << "IPA fonts missing (packages fonts-ipafont-gothic, fonts-ipafont-mincho)";
    }
    InstallDesignFontSubstitutions();
    InstallDesignFontSubstitutions();
    for (const char* name : {"ＭＳ Ｐゴシック", "ＭＳ ゴシック", "ＭＳ 明朝", "ＭＳ Ｐ明朝"}) {
        const QFont font = DesignFont(name, 27.75, true);
        EXPECT_TRUE(QFontInfo(font).family().startsWith("IPA")) << name;
        EXPECT_EQ(QFont::substitutes(QString::fromUtf8(name)).size(), 1) << name;
        EXPECT_DOUBLE_EQ(font.pointSizeF(), 27.75);
        EXPECT_TRUE(font.bold());
    }
}

} // namespace
} // namespace zarava
