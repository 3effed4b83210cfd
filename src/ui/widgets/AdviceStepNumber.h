#pragma once

#include <QString>
#include <QWidget>

namespace tidemark::ui {

// The circled number in front of a step.
class AdviceStepNumber : public QWidget {
    Q_OBJECT
public:
    explicit AdviceStepNumber(const QString& number, QWidget* parent = nullptr);
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString m_number;
};

}  // namespace tidemark::ui
