#pragma once

#include <QDateTime>
#include <QWidget>

#include <functional>

class SecondTicker;

/// A digital readout of the PC's clock in a fixed pattern, refreshed just after each change of
/// second. Every clock of the program is refreshed by one timer, re-aimed at the next second on
/// every tick, so that clocks side by side change in one turn of the event loop.
class PcClock : public QWidget
{
    Q_OBJECT

public:
    /// Where the clock reads the time; the PC's local clock unless a test replaces it.
    using NowSource = std::function<QDateTime()>;

    [[nodiscard]] QString text() const { return m_text; }
    /// Replaces the time source and shows its time at once.
    void setNowSource(NowSource source);

    [[nodiscard]] QSize sizeHint() const override;
    [[nodiscard]] QSize minimumSizeHint() const override;

protected:
    PcClock(const QString &pattern, QWidget *parent);
    ~PcClock() override;
    void paintEvent(QPaintEvent *event) override;

private:
    friend class SecondTicker;
    /// Shows the source's time, repainting only when the text changed.
    void tick();

    QString m_pattern;
    QString m_text;
    NowSource m_now;
};

/// The PC's date, "dd/MM/yyyy".
class DateClock : public PcClock
{
    Q_OBJECT

public:
    explicit DateClock(QWidget *parent = nullptr);
};

/// The PC's time of day, "hh:mm:ss".
class TimeClock : public PcClock
{
    Q_OBJECT

public:
    explicit TimeClock(QWidget *parent = nullptr);
};
