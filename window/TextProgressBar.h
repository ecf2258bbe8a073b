#pragma once
// A progress bar that shows a text of its own, taken literally (a file name
// with "%" in it is shown as it is).

#include <QProgressBar>

class TextProgressBar : public QProgressBar {
    Q_OBJECT
public:
    using QProgressBar::QProgressBar;
    QString text() const override { return m_text; }
    void setText(const QString& text)
    {
        m_text = text;
        update();
    }
    /// The value as a percentage from 0 to 100, fractions kept.
    double percent() const { return m_percent; }
    void setPercent(double percent)
    {
        m_percent = percent;
        setValue(qRound(percent));
    }

private:
    QString m_text;
    double m_percent = 0;
};
