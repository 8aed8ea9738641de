#include "sim_options.h"

#include "logger_rates.h"
#include "memory_model.h"

#include <QCommandLineParser>
#include <QRegularExpression>

namespace {

/// "dd/MM/yyyy hh:mm:ss" as a plain clock reading, kept as Qt::UTC: read as local time it
/// would shift or fail inside a daylight-saving change.
QDateTime plainClockTime(const QString &text)
{
    const QStringList parts = text.split(u' ');
    if (parts.size() != 2)
        return {};
    const QDate date = QDate::fromString(parts[0], QStringLiteral("dd/MM/yyyy"));
    const QTime time = QTime::fromString(parts[1], QStringLiteral("hh:mm:ss"));
    if (!date.isValid() || !time.isValid())
        return {};
    return QDateTime(date, time, Qt::UTC);
}

/// An integer option within limits, or an error text.
std::optional<qint64> integerValue(const QCommandLineParser &parser, const QString &option,
                                   qint64 minimum, qint64 maximum, QString &error)
{
    bool ok = false;
    const qint64 value = parser.value(option).toLongLong(&ok);
    if (!ok || value < minimum || value > maximum) {
        error = QStringLiteral("--%1 takes a whole number from %2 to %3, not \"%4\"")
                    .arg(option)
                    .arg(minimum)
                    .arg(maximum)
                    .arg(parser.value(option));
        return std::nullopt;
    }
    return value;
}

SimOptionsParse failure(const QString &error)
{
    SimOptionsParse result;
    result.message = error + QStringLiteral("\nTry --help for the options.");
    result.exitCode = 2;
    return result;
}

} // namespace

bool isValidDeviceName(const QString &name)
{
    static const QRegularExpression pattern(QStringLiteral("^[A-Za-z0-9_-][A-Za-z0-9._-]{0,63}$"));
    return pattern.match(name).hasMatch();
}

SimOptionsParse parseSimOptions(const QStringList &arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Simulated four-channel 12-bit logger on a pseudo-terminal. Prints \"device <path>\" "
        "and \"link <path>\", then serves status frames, commands and downloads on the "
        "device until SIGINT or SIGTERM.\n"
        "Exit status: 0 after a signal, 1 when the device or its link cannot be set up, "
        "2 for a bad command line, 3 after the hangup fault."));
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Show this help and exit."));
    const QCommandLineOption name(
        QStringLiteral("name"),
        QStringLiteral("Name of the link to the device in the per-user folder "
                       "/run/user/<uid>/serial-sim/ (or /tmp/serial-sim-<uid>/ where that "
                       "does not exist), beside <name>.lock. Default: logger."),
        QStringLiteral("name"), QStringLiteral("logger"));
    const QCommandLineOption frameInterval(
        QStringLiteral("frame-interval"),
        QStringLiteral("Milliseconds between status frames, 20 to 60000. Default: 1000."),
        QStringLiteral("ms"), QStringLiteral("1000"));
    const QCommandLineOption rate(
        QStringLiteral("rate"),
        QStringLiteral("Sample rate in minutes: 15, 30 or 60. Default: 15."),
        QStringLiteral("minutes"), QStringLiteral("15"));
    const QCommandLineOption samples(
        QStringLiteral("samples"),
        QStringLiteral("Samples in memory at start, 0 to 4000. Default: 288, or with "
                       "--start as many as were taken since then."),
        QStringLiteral("n"));
    const QCommandLineOption start(
        QStringLiteral("start"),
        QStringLiteral("Start of the recording on the logger's clock, \"dd/MM/yyyy "
                       "hh:mm:ss\", year 2000 to 2099. Default: --samples steps back from "
                       "now, the newest on the last rate step."),
        QStringLiteral("time"));
    const QCommandLineOption clockOffset(
        QStringLiteral("clock-offset"),
        QStringLiteral("Seconds the logger's clock runs ahead of the PC's (negative: "
                       "behind), up to 10 years either way. Default: 0."),
        QStringLiteral("seconds"), QStringLiteral("0"));
    const QCommandLineOption seed(
        QStringLiteral("seed"),
        QStringLiteral("Seed of the small noise on the readings, 0 to 4294967295. Default: 1."),
        QStringLiteral("n"), QStringLiteral("1"));
    const QCommandLineOption discardWait(
        QStringLiteral("discard-wait"),
        QStringLiteral("Milliseconds from \"X\" to the download text, so that it comes after "
                       "the PC has thrown away what it received before, 0 to 10000. "
                       "Default: 600."),
        QStringLiteral("ms"), QStringLiteral("600"));
    const QCommandLineOption pace(
        QStringLiteral("pace"),
        QStringLiteral("Pace of the download text: \"line\" at 115200 baud (11520 bytes/s) "
                       "or \"fast\" as fast as the device takes it. Default: line."),
        QStringLiteral("line|fast"), QStringLiteral("line"));
    const QCommandLineOption fault(
        QStringLiteral("fault"),
        QStringLiteral("Put a fault on the line; may be given more than once. non-digit: "
                       "every 3rd frame has 'N' at position 40; drop-bytes: every 4th frame "
                       "loses its character at position 20; extra-bytes: every 5th frame "
                       "gets an extra '0' before position 20; no-end-marker: downloads end "
                       "without the lone \"A\"; hangup: close the device halfway through a "
                       "download and exit with status 3; lost-line: a download loses its 5th "
                       "sample line; damaged-line: a download's 3rd sample line loses its "
                       "10th digit; slipped-frame: a status frame slips into a download after "
                       "its 7th sample line."),
        QStringLiteral("kind"));
    const QCommandLineOption verbose(
        QStringLiteral("verbose"),
        QStringLiteral("Print one line per event: frame, command, clock, rate, download, "
                       "end-marker, listener, ignored, …"));
    parser.addOptions({help, name, frameInterval, rate, samples, start, clockOffset, seed,
                       discardWait, pace, fault, verbose});

    if (!parser.parse(arguments))
        return failure(parser.errorText());
    if (parser.isSet(help)) {
        SimOptionsParse result;
        result.message = parser.helpText();
        return result;
    }
    if (!parser.positionalArguments().isEmpty())
        return failure(QStringLiteral("Unexpected argument \"%1\"")
                           .arg(parser.positionalArguments().constFirst()));

    SimOptions options;
    QString error;

    options.name = parser.value(name);
    if (!isValidDeviceName(options.name))
        return failure(QStringLiteral("--name takes up to 64 letters, digits, '.', '_' or '-', "
                                      "not beginning with '.', not \"%1\"")
                           .arg(options.name));

    const auto interval =
        integerValue(parser, frameInterval.names().constFirst(), 20, 60000, error);
    if (!interval)
        return failure(error);
    options.frameIntervalMs = int(*interval);

    const auto minutes = integerValue(parser, rate.names().constFirst(), 15, 60, error);
    if (!minutes || !LoggerRates::isRate(int(*minutes)))
        return failure(
            QStringLiteral("--rate takes 15, 30 or 60, not \"%1\"").arg(parser.value(rate)));
    options.logger.rateMinutes = int(*minutes);

    if (parser.isSet(samples)) {
        const auto count =
            integerValue(parser, samples.names().constFirst(), 0, MemoryModel::kCapacity, error);
        if (!count)
            return failure(error);
        options.logger.samples = int(*count);
    }

    if (parser.isSet(start)) {
        const QDateTime time = plainClockTime(parser.value(start));
        if (!time.isValid() || time.date().year() < 2000 || time.date().year() > 2099)
            return failure(QStringLiteral("--start takes \"dd/MM/yyyy hh:mm:ss\" with a year "
                                          "from 2000 to 2099, not \"%1\"")
                               .arg(parser.value(start)));
        options.logger.recordingStart = time;
    }

    constexpr qint64 tenYears = 10LL * 366 * 24 * 3600;
    const auto offset =
        integerValue(parser, clockOffset.names().constFirst(), -tenYears, tenYears, error);
    if (!offset)
        return failure(error);
    options.logger.clockOffsetSeconds = *offset;

    const auto seedValue = integerValue(parser, seed.names().constFirst(), 0, 0xffffffffLL, error);
    if (!seedValue)
        return failure(error);
    options.logger.seed = std::uint32_t(*seedValue);

    const auto wait = integerValue(parser, discardWait.names().constFirst(), 0, 10000, error);
    if (!wait)
        return failure(error);
    options.discardWaitMs = int(*wait);

    if (parser.value(pace) == QLatin1String("line"))
        options.pace = Pace::Line;
    else if (parser.value(pace) == QLatin1String("fast"))
        options.pace = Pace::Fast;
    else
        return failure(QStringLiteral("--pace takes \"line\" or \"fast\", not \"%1\"")
                           .arg(parser.value(pace)));

    for (const QString &kind : parser.values(fault)) {
        const auto chosen = faultFromName(kind);
        if (!chosen)
            return failure(QStringLiteral("--fault takes one of %1, not \"%2\"")
                               .arg(faultNames().join(QStringLiteral(", ")), kind));
        options.faults.add(*chosen);
    }

    options.verbose = parser.isSet(verbose);

    SimOptionsParse result;
    result.options = options;
    return result;
}
