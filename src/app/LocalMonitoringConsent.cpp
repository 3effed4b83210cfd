#include "app/LocalMonitoringConsent.h"

#include <QMessageBox>
#include <QPushButton>

#include <string>

namespace tidemark::LocalMonitoringConsent {

Answer showDialog() {
    QMessageBox box;
    box.setObjectName(QStringLiteral("localMonitoringConsentDialog"));
    box.setWindowTitle(QStringLiteral("潮痕"));
    box.setIcon(QMessageBox::Information);
    box.setTextFormat(Qt::PlainText);
    box.setText(QStringLiteral("允许「潮痕」在本机监测内存风险？"));
    box.setInformativeText(
        QStringLiteral("「潮痕」会在本机读取系统内存压力、交换变化、应用名称和内存占用。"
                       "异常事件最多保留 7 天。"
                       "不读取对话、文档或网页内容，不上传任何数据。"));
    QPushButton* allow = box.addButton(QStringLiteral("允许本地监测"), QMessageBox::AcceptRole);
    allow->setObjectName(QStringLiteral("allowButton"));
    QPushButton* quit = box.addButton(QStringLiteral("退出"), QMessageBox::RejectRole);
    quit->setObjectName(QStringLiteral("quitButton"));
    box.setDefaultButton(allow);
    box.setEscapeButton(quit);
    box.setWindowModality(Qt::ApplicationModal);
    // The program has no window yet: without this the question can open
    // behind whatever the user is working in.
    box.setWindowFlag(Qt::WindowStaysOnTopHint);
    box.show();
    box.raise();
    box.activateWindow();
    box.exec();
    return box.clickedButton() == allow ? Answer::allow : Answer::quit;
}

bool requestIfNeeded(PreferenceStore& preferences, const Dialog& dialog) {
    const std::string key(preferenceKey);
    if (preferences.boolValue(key) == true)
        return true;
    if (!dialog || dialog() != Answer::allow)
        return false;
    preferences.setBool(key, true);
    return true;
}

}  // namespace tidemark::LocalMonitoringConsent
