#include "ui/widgets/AppUsageRow.h"

#include <QAccessible>
#include <QHBoxLayout>
#include <QLabel>

#include "core/Formatting.h"
#include "ui/AppVisualTheme.h"
#include "ui/WidgetSupport.h"
#include "ui/widgets/ElidedLabel.h"
#include "ui/widgets/RowAccessible.h"

namespace tidemark::ui {

namespace {

QAccessibleInterface* rowAccessibleFactory(const QString&, QObject* object) {
    if (auto* row = qobject_cast<AppUsageRow*>(object)) {
        return new RowAccessible(row);
    }
    return nullptr;
}

}  // namespace

AppUsageRow::AppUsageRow(QWidget* parent) : QWidget(parent) {
    static const bool factoryInstalled = [] {
        QAccessible::installFactory(rowAccessibleFactory);
        return true;
    }();
    (void)factoryInstalled;

    // The design's row height, grown with the text; the labels fill it and
    // centre their text.
    setMinimumHeight(AppVisualTheme::scaled(28));
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);

    m_rankLabel = AppVisualTheme::makeLabel({}, 11, QFont::Medium, AppVisualTheme::tertiaryLabel,
                                            false, this);
    m_rankLabel->setObjectName("rankLabel");
    m_rankLabel->setFont(AppVisualTheme::monospacedDigitFont(11, QFont::Medium));
    m_rankLabel->setAlignment(Qt::AlignCenter);
    m_rankLabel->setMinimumWidth(18);
    m_rankLabel->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Preferred);

    auto* name = new ElidedLabel(this);
    name->setObjectName("nameLabel");
    name->setFont(AppVisualTheme::font(13));
    name->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    AppVisualTheme::setTextColor(name, AppVisualTheme::label);
    m_nameLabel = name;

    m_memoryLabel =
        AppVisualTheme::makeLabel({}, 12, QFont::DemiBold, AppVisualTheme::label, false, this);
    m_memoryLabel->setObjectName("memoryLabel");
    m_memoryLabel->setFont(AppVisualTheme::monospacedDigitFont(12, QFont::DemiBold));
    m_memoryLabel->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    // The same width in every row while the figures fit it, so that the
    // names end at one line; the panel's width does not grow with the font.
    m_memoryLabel->setMinimumWidth(82);
    m_memoryLabel->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Preferred);

    row->addWidget(m_rankLabel);
    row->addSpacing(8);
    row->addWidget(m_nameLabel, 1);
    row->addSpacing(10);
    row->addWidget(m_memoryLabel);
}

void AppUsageRow::update(int rank, const AppMemory& app) {
    const QString name = qs(app.name);
    const QString memory = qs(formatBytes(app.footprintBytes));
    m_rankLabel->setText(QString::number(rank));
    m_nameLabel->setText(name);
    m_memoryLabel->setText(memory);
    // Concatenated, not arg(): a name may itself contain "%1".
    setAccessibleName(QStringLiteral("第 ") + QString::number(rank) + QStringLiteral(" 名，") +
                      name + QStringLiteral("，占用 ") + memory);
}

void AppUsageRow::clear(int rank) {
    m_rankLabel->setText(QString::number(rank));
    m_nameLabel->setText(QStringLiteral("--"));
    m_memoryLabel->clear();
    setAccessibleName(QStringLiteral("第 ") + QString::number(rank) +
                      QStringLiteral(" 名，暂无数据"));
}

}  // namespace tidemark::ui
