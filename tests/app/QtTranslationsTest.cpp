#include "app/QtTranslations.h"

#include <QApplication>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>
#include <memory>

#include <gtest/gtest.h>

namespace tidemark {
namespace {

// The words of a label: without its mnemonic ("撤销(&U)") or shortcut hint
// ("\tCtrl+Z"), which name keys.
QString wordsOf(const QString& label) {
    return label.section(QLatin1Char('\t'), 0, 0)
        .remove(QRegularExpression("\\(&.\\)"))
        .remove(QLatin1Char('&'));
}

// The tests run under C.UTF-8: Qt's words must be Chinese all the same.
TEST(QtTranslations, StandardButtonsAndMenusReadChinese) {
    ASSERT_TRUE(installChineseQtTranslations(*QCoreApplication::instance()))
        << "Qt's zh_CN catalogue is missing (scripts/install-deps installs qt6-translations-l10n)";
    const QRegularExpression latin("[A-Za-z]");

    QMessageBox box;
    box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel | QMessageBox::Close);
    QStringList words;
    for (const auto button : {QMessageBox::Ok, QMessageBox::Cancel, QMessageBox::Close})
        words << wordsOf(box.button(button)->text());
    EXPECT_EQ(words, (QStringList{"确定", "取消", "关闭"}));

    QLineEdit field;
    const std::unique_ptr<QMenu> menu(field.createStandardContextMenu());
    int entries = 0;
    for (QAction* action : menu->actions()) {
        if (action->isSeparator())
            continue;
        ++entries;
        EXPECT_FALSE(wordsOf(action->text()).contains(latin)) << action->text().toStdString();
    }
    EXPECT_GT(entries, 3);
}

}  // namespace
}  // namespace tidemark
