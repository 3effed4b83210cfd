#include "app/QtTranslations.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>

#include <gtest/gtest.h>

namespace tidemark {
namespace {

// A button's words, without its mnemonic ("确定(&O)").
QString wordsOf(QString label) {
    return label.remove(QRegularExpression("\\(&.\\)")).remove(QLatin1Char('&'));
}

// The tests run under C.UTF-8: Qt's words must be Chinese all the same.
TEST(QtTranslations, StandardButtonsReadChinese) {
    ASSERT_TRUE(installChineseQtTranslations(*QCoreApplication::instance()))
        << "Qt's zh_CN catalogue is missing (scripts/install-deps installs qt6-translations-l10n)";

    QMessageBox box;
    box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel | QMessageBox::Close);
    QStringList words;
    for (const auto button : {QMessageBox::Ok, QMessageBox::Cancel, QMessageBox::Close})
        words << wordsOf(box.button(button)->text());
    EXPECT_EQ(words, (QStringList{"确定", "取消", "关闭"}));
}

}  // namespace
}  // namespace tidemark
