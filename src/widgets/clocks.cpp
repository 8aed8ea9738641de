#include "widgets/clocks.h"

#include "runtime/program_formats.h"
#include "widgets/instrument_style.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QTimer>

#include <cmath>
#include <vector>

namespace {

/// Milliseconds past the change of second at which the clock redraws, so that a timer firing a
/// little early still lands in the new second.
constexpr int tickMargin = 15;

} // namespace

/// The one timer behind every clock that exists: it ticks just after each change of second
/// while at least one clock is there. Clocks with timers of their own, aimed a moment apart,
/// would each wake the program at every second.
class SecondTicker
{
public:
    static void join(PcClock *clock)
    {
        if (!s_ticker)
            s_ticker = new SecondTicker;
        s_ticker->m_clocks.push_back(clock);
    }

    static void leave(PcClock *clock)
    {
        std::erase(s_ticker->m_clocks, clock);
        if (s_ticker->m_clocks.empty()) {
            delete s_ticker;
            s_ticker = nullptr;
        }
    }

private:
    SecondTicker()
    {
        m_timer.setSingleShot(true);
        m_timer.setTimerType(Qt::PreciseTimer);
        QObject::connect(&m_timer, &QTimer::timeout, [this] { tick(); });
        aim();
    }

    void tick()
    {
        for (PcClock *clock : m_clocks)
            clock->tick();
        aim();
    }

    void aim()
    {
        // Aimed from the real clock: an injected time need not move, but the timer must.
        const int msec = QTime::currentTime().msec();
        m_timer.start(1000 - msec + tickMargin);
    }

    static inline SecondTicker *s_ticker = nullptr;
    std::vector<PcClock *> m_clocks;
    QTimer m_timer;
};

PcClock::PcClock(const QString &pattern, QWidget *parent)
    : QWidget(parent)
    , m_pattern(pattern)
    , m_now([] { return QDateTime::currentDateTime(); })
{
    tick();
    SecondTicker::join(this);
}

PcClock::~PcClock()
{
    SecondTicker::leave(this);
}

void PcClock::setNowSource(NowSource source)
{
    m_now = source ? std::move(source) : NowSource([] { return QDateTime::currentDateTime(); });
    tick();
}

void PcClock::tick()
{
    const QString text = m_now().toString(m_pattern);
    if (text != m_text) {
        m_text = text;
        update();
    }
}

QSize PcClock::sizeHint() const
{
    QFont digits = font();
    digits.setBold(true);
    const QFontMetricsF metrics(digits);
    QString sample = m_pattern;
    for (QChar &ch : sample) {
        if (ch.isLetter())
            ch = u'8';
    }
    return QSize(int(std::ceil(metrics.horizontalAdvance(sample) * 1.5 + 12)),
                 int(std::ceil(metrics.height() * 2.0)));
}

QSize PcClock::minimumSizeHint() const
{
    const QFontMetricsF metrics(font());
    return QSize(int(std::ceil(metrics.horizontalAdvance(m_pattern) + 8)),
                 int(std::ceil(metrics.height() + 6)));
}

void PcClock::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    InstrumentStyle::drawReadout(painter, QRectF(rect()), font(), m_text, QString(), isEnabled(),
                                 Qt::AlignHCenter);
}

DateClock::DateClock(QWidget *parent)
    : PcClock(ProgramFormats::shortDateFormat, parent)
{ }

TimeClock::TimeClock(QWidget *parent)
    : PcClock(ProgramFormats::longTimeFormat, parent)
{ }
