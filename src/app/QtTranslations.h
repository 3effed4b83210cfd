#pragma once

class QCoreApplication;

namespace tidemark {

// Every word the program shows is Chinese, so Qt's own words (standard
// buttons, the context menus of text fields) must be too, whatever locale
// the user runs. Loads Qt's zh_CN catalogue from its translations directory;
// false when it is not installed (the words stay English).
bool installChineseQtTranslations(QCoreApplication& app);

}  // namespace tidemark
