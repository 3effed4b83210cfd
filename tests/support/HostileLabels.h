#pragma once

#include <QLabel>
#include <QString>
#include <QWidget>

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

// Failed comparisons show the text rather than the bytes of the object.
inline void PrintTo(const QString& text, std::ostream* out) {
    *out << text.toStdString();
}

namespace tidemark::test {

// A one-line label may show a name's tab or line break as a space; what
// matters is that nothing in the name is taken as markup.
inline QString controlsAsSpaces(QString text) {
    for (QChar& c : text) {
        if (c.category() == QChar::Other_Control) {
            c = QLatin1Char(' ');
        }
    }
    return text;
}

// Every name is shown by at least one label under `root`, and every label
// that shows one is plain text.
inline void expectNamesShownLiterally(const QWidget* root, const std::vector<std::string>& names) {
    ASSERT_NE(root, nullptr);
    const QList<QLabel*> labels = root->findChildren<QLabel*>();
    for (const std::string& name : names) {
        const QString shown = controlsAsSpaces(QString::fromStdString(name));
        int showing = 0;
        for (const QLabel* label : labels) {
            if (controlsAsSpaces(label->text()).contains(shown)) {
                ++showing;
                EXPECT_EQ(label->textFormat(), Qt::PlainText)
                    << label->objectName().toStdString() << ": " << label->text().toStdString();
            }
        }
        EXPECT_GT(showing, 0) << name;
    }
}

}  // namespace tidemark::test
