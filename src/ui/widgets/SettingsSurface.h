#pragma once

#include <QPointer>
#include <QWidget>
#include <vector>

namespace tidemark::ui {

// The settings window's background, the rule under its top band and the
// cards behind its groups of rows. Each is drawn where the layout put the
// widget it belongs to, so the drawing follows the layout at any font size.
class SettingsSurface : public QWidget {
    Q_OBJECT
public:
    explicit SettingsSurface(QWidget* parent = nullptr);

    // A full-width rule along the bottom edge of `band`.
    void setHeaderBand(QWidget* band);
    // A rounded card behind `card`, with a rule in the gap above each item
    // of its layout but the first.
    void addCard(QWidget* card);

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    QRect frameOf(const QWidget* child) const;

    QPointer<QWidget> m_headerBand;
    std::vector<QPointer<QWidget>> m_cards;
};

}  // namespace tidemark::ui
