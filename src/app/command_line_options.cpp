#include "app/command_line_options.h"

#include "archive/archived_samples.h"
#include "archive/server_address.h"

#include <QDate>
#include <QFile>
#include <QRegularExpression>

#include <algorithm>
#include <cstring>
#include <iterator>
#include <string_view>
#include <vector>

namespace CommandLine {
namespace {

constexpr int longestTimeoutSeconds = 3600;

/// Qt's documented command-line options, which the window program leaves to the toolkit
/// (QCoreApplication, QGuiApplication and its X11 platform, QApplication), without their
/// leading '-'; Qt reads each with two dashes as well. These take the next argument as their
/// value,
constexpr std::string_view toolkitOptionsWithValue[] = {"platform",
                                                        "platformpluginpath",
                                                        "platformtheme",
                                                        "plugin",
                                                        "qwindowgeometry",
                                                        "qwindowicon",
                                                        "qwindowtitle",
                                                        "session",
                                                        "display",
                                                        "geometry",
                                                        "title",
                                                        "icon",
                                                        "name",
                                                        "visual",
                                                        "style",
                                                        "stylesheet",
                                                        "qmljsdebugger",
                                                        "fn",
                                                        "font",
                                                        "bg",
                                                        "background",
                                                        "fg",
                                                        "foreground",
                                                        "btn",
                                                        "button",
                                                        "ncols",
                                                        "im",
                                                        "inputstyle",
                                                        "graphicssystem"};
/// these take none,
constexpr std::string_view toolkitFlags[] = {"reverse", "widgetcount", "nograb", "dograb",
                                             "sync",    "cmap",        "noxim",  "testability"};
/// and these may carry their value after '=' in the same argument.
constexpr std::string_view toolkitOptionsWithInlineValue[] = {
    "style", "stylesheet", "qmljsdebugger", "dialogs", "fontengine"};

template<std::size_t size>
bool listed(const std::string_view (&names)[size], std::string_view name)
{
    return std::find(std::begin(names), std::end(names), name) != std::end(names);
}

/// How many arguments from `argument` on make one of Qt's options: 1, or 2 with its value
/// (Qt ignores one whose value is missing); 0 when `argument` is no such option.
int toolkitSpan(std::string_view argument)
{
    if (argument.size() < 2 || argument.front() != '-')
        return 0;
    std::string_view name = argument.substr(argument.starts_with("--") ? 2 : 1);
    if (const std::size_t equals = name.find('='); equals != std::string_view::npos)
        return listed(toolkitOptionsWithInlineValue, name.substr(0, equals)) ? 1 : 0;
    if (listed(toolkitFlags, name))
        return 1;
    return listed(toolkitOptionsWithValue, name) ? 2 : 0;
}

/// How many arguments from argv[i] on are --port and its port, which the window program takes:
/// 1 or 2; 0 when argv[i] is not --port, or its port is missing or looks like an option.
int portSpan(int argc, const char *const *argv, int i)
{
    const std::string_view argument = argv[i];
    if (argument.starts_with("--port="))
        return argument.size() > std::string_view("--port=").size() ? 1 : 0;
    if (argument != "--port" || i + 1 >= argc)
        return 0;
    const std::string_view port = argv[i + 1];
    return port.empty() || port.starts_with("--") ? 0 : 2;
}

/// The option part of an argument: "--timeout=5" is "--timeout".
QString optionOf(const QString &argument)
{
    return argument.section(QLatin1Char('='), 0, 0);
}

} // namespace

bool wanted(int argc, const char *const *argv)
{
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument = argv[i];
        if (const int span = std::max(toolkitSpan(argument), portSpan(argc, argv, i))) {
            i += span - 1;
            continue;
        }
        if (argument.starts_with('-'))
            return true;
    }
    return false;
}

QString windowPort(int argc, const char *const *argv)
{
    QString port;
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument = argv[i];
        if (const int span = portSpan(argc, argv, i)) {
            port = QFile::decodeName(span == 2 ? argv[i + 1] : argv[i] + std::strlen("--port="));
            i += span - 1;
        } else if (const int toolkit = toolkitSpan(argument)) {
            i += toolkit - 1;
        }
    }
    return port;
}

std::optional<qint64> rangeTime(const QString &text, bool endOfDay)
{
    static const QRegularExpression shape(
        QStringLiteral("^(\\d{4})-(\\d\\d)-(\\d\\d)(?:[T ](\\d\\d):(\\d\\d)(?::(\\d\\d))?)?$"));
    const QRegularExpressionMatch match = shape.match(text.trimmed());
    if (!match.hasMatch())
        return std::nullopt;
    const QDate day(match.captured(1).toInt(), match.captured(2).toInt(),
                    match.captured(3).toInt());
    const bool dayAlone = match.captured(4).isEmpty();
    const int hour = dayAlone ? (endOfDay ? 23 : 0) : match.captured(4).toInt();
    const int minute = dayAlone ? (endOfDay ? 59 : 0) : match.captured(5).toInt();
    const int second =
        match.captured(6).isEmpty() ? (dayAlone && endOfDay ? 59 : 0) : match.captured(6).toInt();
    if (!day.isValid() || hour > 23 || minute > 59 || second > 59)
        return std::nullopt;
    return sampleTime(day.year(), day.month(), day.day(), hour, minute, second);
}

Parse parse(const QStringList &arguments)
{
    Options options;
    bool help = false;
    bool version = false;
    bool portGiven = false;
    /// What the arguments ask to do, in their order, and every other option given.
    QStringList actions;
    QStringList given;
    const auto failure = [](const QString &error) {
        return Parse {std::nullopt, error};
    };
    static const QStringList valued = {
        QStringLiteral("--download"), QStringLiteral("--output"),
        QStringLiteral("--timeout"),  QStringLiteral("--station"),
        QStringLiteral("--archive"),  QStringLiteral("--archive-server"),
        QStringLiteral("--from"),     QStringLiteral("--to"),
        QStringLiteral("--archive-remove-download"), QStringLiteral("--archive-move-download"),
        QStringLiteral("--port")};
    static const QStringList actionFlags = {
        QStringLiteral("--list-ports"), QStringLiteral("--archive-list"),
        QStringLiteral("--archive-export"), QStringLiteral("--archive-import"),
        QStringLiteral("--archive-sync"), QStringLiteral("--archive-downloads"),
        QStringLiteral("--archive-rebuild")};

    for (int i = 1; i < arguments.size(); ++i) {
        const QString &argument = arguments[i];
        // Qt's own options mean nothing without windows.
        if (const int span = toolkitSpan(argument.toLocal8Bit().toStdString())) {
            i += span - 1;
            continue;
        }
        const QString option = optionOf(argument);
        const bool inlineValue = option.size() < argument.size();
        // The value of an option that takes one: after '=' or the next argument.
        const auto value = [&]() -> std::optional<QString> {
            if (inlineValue)
                return argument.mid(option.size() + 1);
            if (i + 1 < arguments.size())
                return arguments[++i];
            return std::nullopt;
        };
        const auto flag = [&](bool &target) {
            if (inlineValue)
                return false;
            target = true;
            return true;
        };

        if (valued.contains(option)) {
            const std::optional<QString> text = value();
            if (!text || text->isEmpty())
                return failure(QStringLiteral("%1 necesita un valor").arg(option));
            // A forgotten value must not swallow the option that follows.
            if (!inlineValue && text->startsWith(QLatin1String("--")))
                return failure(
                    QStringLiteral("%1 necesita un valor, no la opción %2").arg(option, *text));
            if (option == QLatin1String("--port")) {
                portGiven = true;
                continue;
            }
            if (option == QLatin1String("--download")) {
                actions << option;
                options.port = *text;
                continue;
            }
            if (option == QLatin1String("--archive-remove-download")
                || option == QLatin1String("--archive-move-download")) {
                actions << option;
                bool ok = false;
                options.downloadId = text->toLongLong(&ok);
                if (!ok || options.downloadId < 1)
                    return failure(QStringLiteral("%1 toma el número de una descarga, como lo "
                                                  "da --archive-downloads, no \"%2\"")
                                       .arg(option, *text));
                continue;
            }
            given << option;
            if (option == QLatin1String("--output")) {
                options.output = *text;
            } else if (option == QLatin1String("--station")) {
                options.station = *text;
            } else if (option == QLatin1String("--archive")) {
                options.archive = *text;
            } else if (option == QLatin1String("--archive-server")) {
                // Every user on the PC reads a command line with ps for as long as it runs.
                if (urlHoldsPassword(*text))
                    return failure(QStringLiteral(
                        "--archive-server no lleva contraseña: cualquier usuario del PC la "
                        "leería con ps; póngala en ~/.pgpass (o en el archivo que nombre "
                        "PGPASSFILE)"));
                options.archiveServer = *text;
            } else if (option == QLatin1String("--from") || option == QLatin1String("--to")) {
                const bool to = option == QLatin1String("--to");
                const std::optional<qint64> time = rangeTime(*text, to);
                if (!time)
                    return failure(QStringLiteral("%1 toma una fecha AAAA-MM-DD, con hora "
                                                  "hh:mm[:ss] si se quiere, no \"%2\"")
                                       .arg(option, *text));
                (to ? options.to : options.from) = time;
            } else {
                bool ok = false;
                options.timeoutSeconds = text->toInt(&ok);
                if (!ok || options.timeoutSeconds < 1
                    || options.timeoutSeconds > longestTimeoutSeconds)
                    return failure(QStringLiteral("--timeout toma segundos de 1 a %1, no \"%2\"")
                                       .arg(longestTimeoutSeconds)
                                       .arg(*text));
            }
            continue;
        }
        bool known = true;
        bool action = false;
        if (option == QLatin1String("--csv"))
            known = flag(options.csv);
        else if (option == QLatin1String("--force"))
            known = flag(options.forced);
        else if (option == QLatin1String("--set-clock"))
            known = flag(options.setClock);
        else if (actionFlags.contains(option))
            known = flag(action);
        else if (option == QLatin1String("--help") || option == QLatin1String("-h"))
            known = flag(help);
        else if (option == QLatin1String("--version") || option == QLatin1String("-v"))
            known = flag(version);
        else if (argument.startsWith(QLatin1Char('-')))
            return failure(QStringLiteral("opción desconocida: %1").arg(argument));
        else {
            options.files << argument;
            continue;
        }
        if (!known)
            return failure(QStringLiteral("%1 no lleva valor").arg(option));
        if (action)
            actions << option;
        else if (option == QLatin1String("--csv") || option == QLatin1String("--force")
                 || option == QLatin1String("--set-clock"))
            given << option;
    }

    if (help) {
        options.action = Options::Action::Help;
        return {options, {}};
    }
    if (version) {
        options.action = Options::Action::Version;
        return {options, {}};
    }
    // Only the windows have a setup dialog to start with the port; a run without them names
    // its port with --download.
    if (portGiven)
        return failure(QStringLiteral("--port solo vale al abrir las ventanas; sin ellas el "
                                      "puerto se da con --download"));
    if (actions.size() > 1)
        return failure(QStringLiteral("%1 y %2 no van juntos").arg(actions[0], actions[1]));
    const QString action = actions.isEmpty() ? QString() : actions.first();
    if (!options.files.isEmpty() && action != QLatin1String("--archive-import"))
        return failure(QStringLiteral("argumento inesperado: %1").arg(options.files.first()));

    // The options each run takes; the first one given that it does not take is refused.
    struct Run
    {
        QString action;
        Options::Action kind;
        QStringList takes;
    };
    static const QStringList downloadOptions = {
        QStringLiteral("--output"),  QStringLiteral("--csv"),
        QStringLiteral("--force"),   QStringLiteral("--set-clock"),
        QStringLiteral("--timeout"), QStringLiteral("--station"),
        QStringLiteral("--archive"), QStringLiteral("--archive-server")};
    static const std::vector<Run> runs = {
        {QStringLiteral("--download"), Options::Action::Download, downloadOptions},
        {QStringLiteral("--list-ports"), Options::Action::ListPorts, {}},
        {QStringLiteral("--archive-list"),
         Options::Action::ArchiveList,
         {QStringLiteral("--archive")}},
        {QStringLiteral("--archive-export"),
         Options::Action::ArchiveExport,
         {QStringLiteral("--station"), QStringLiteral("--output"), QStringLiteral("--from"),
          QStringLiteral("--to"), QStringLiteral("--archive")}},
        {QStringLiteral("--archive-import"),
         Options::Action::ArchiveImport,
         {QStringLiteral("--station"), QStringLiteral("--archive"),
          QStringLiteral("--archive-server")}},
        {QStringLiteral("--archive-sync"),
         Options::Action::ArchiveSync,
         {QStringLiteral("--archive"), QStringLiteral("--archive-server")}},
        {QStringLiteral("--archive-downloads"),
         Options::Action::ArchiveDownloads,
         {QStringLiteral("--station"), QStringLiteral("--archive")}},
        {QStringLiteral("--archive-remove-download"),
         Options::Action::ArchiveRemoveDownload,
         {QStringLiteral("--archive")}},
        {QStringLiteral("--archive-move-download"),
         Options::Action::ArchiveMoveDownload,
         {QStringLiteral("--station"), QStringLiteral("--archive")}},
        {QStringLiteral("--archive-rebuild"),
         Options::Action::ArchiveRebuild,
         {QStringLiteral("--archive"), QStringLiteral("--output")}},
    };
    if (action.isEmpty()) {
        if (given.isEmpty())
            return {options, {}};
        const bool forDownload = downloadOptions.contains(given.first())
            && !given.first().startsWith(QLatin1String("--archive"))
            && given.first() != QLatin1String("--station");
        return failure(forDownload
                           ? QStringLiteral("%1 solo vale con --download").arg(given.first())
                           : QStringLiteral("%1 solo vale con --download o una opción "
                                            "--archive-…")
                                 .arg(given.first()));
    }
    const auto run = std::find_if(runs.begin(), runs.end(),
                                  [&action](const Run &r) { return r.action == action; });
    for (const QString &option : given) {
        if (!run->takes.contains(option))
            return failure(QStringLiteral("%1 no vale con %2").arg(option, action));
    }
    options.action = run->kind;
    switch (run->kind) {
    case Options::Action::Download:
        if (options.output.isEmpty() && options.station.isEmpty())
            return failure(QStringLiteral("--download necesita --output ARCHIVO"));
        if (options.station.isEmpty()
            && (given.contains(QLatin1String("--archive"))
                || given.contains(QLatin1String("--archive-server"))))
            return failure(QStringLiteral("--archive y --archive-server solo valen con la "
                                          "descarga si se da --station"));
        break;
    case Options::Action::ArchiveExport:
        if (options.station.isEmpty() || options.output.isEmpty())
            return failure(QStringLiteral("--archive-export necesita --station NOMBRE y "
                                          "--output ARCHIVO"));
        if (options.from && options.to && *options.from > *options.to)
            return failure(QStringLiteral("--from es posterior a --to"));
        break;
    case Options::Action::ArchiveMoveDownload:
        if (options.station.isEmpty())
            return failure(QStringLiteral("--archive-move-download necesita --station NOMBRE, "
                                          "la estación a la que pasa"));
        break;
    case Options::Action::ArchiveRebuild:
        if (options.output.isEmpty())
            return failure(QStringLiteral("--archive-rebuild necesita --output NUEVO.sqlite"));
        break;
    case Options::Action::ArchiveImport:
        if (options.station.isEmpty() || options.files.isEmpty())
            return failure(QStringLiteral("--archive-import necesita --station NOMBRE y uno o "
                                          "más archivos"));
        break;
    default:
        break;
    }
    return {options, {}};
}

QString helpText()
{
    return QStringLiteral(
        "Uso: brentavius4 [--port PUERTO]\n"
        "     brentavius4 --download PUERTO --output ARCHIVO [--csv] [--force] [--set-clock]\n"
        "                 [--timeout SEGUNDOS] [--station NOMBRE [--archive BASE]\n"
        "                 [--archive-server URL]]\n"
        "     brentavius4 --download PUERTO --station NOMBRE [...]\n"
        "     brentavius4 --archive-list [--archive BASE]\n"
        "     brentavius4 --archive-export --station NOMBRE [--from T] [--to T] --output F.csv\n"
        "                 [--archive BASE]\n"
        "     brentavius4 --archive-import --station NOMBRE ARCHIVO... [--archive BASE]\n"
        "                 [--archive-server URL]\n"
        "     brentavius4 --archive-sync [--archive BASE] [--archive-server URL]\n"
        "     brentavius4 --archive-downloads [--station NOMBRE] [--archive BASE]\n"
        "     brentavius4 --archive-remove-download N [--archive BASE]\n"
        "     brentavius4 --archive-move-download N --station NOMBRE [--archive BASE]\n"
        "     brentavius4 --archive-rebuild [--archive BASE] --output NUEVO.sqlite\n"
        "     brentavius4 --list-ports | --help | --version\n"
        "\n"
        "Sin opciones abre la ventana principal. Con --download descarga el logger sin\n"
        "ventanas ni pantalla, como lo hace \"DESCARGAR DATOS\", verifica la descarga contra\n"
        "las muestras que informó el logger y guarda el archivo como lo guarda \"GUARDAR\".\n"
        "Con --station también la archiva: el archivo de estaciones guarda cada descarga una\n"
        "vez y une sus muestras al registro de la estación; una descarga que no pasó la\n"
        "verificación se archiva marcada y solo con las muestras anteriores a su primera\n"
        "línea dañada: las demás siguen en el logger. Si hay un archivo compartido, se le\n"
        "envía después.\n"
        "\n"
        "  --port PUERTO        con las ventanas: el puerto con el que empiezan el diálogo de\n"
        "                       configuración y la ventana principal, para conectar enseguida\n"
        "  --list-ports         los puertos que ofrece el diálogo de configuración, uno por\n"
        "                       línea; tras un tabulador, lo que el sistema dice del adaptador\n"
        "  --download PUERTO    el puerto del logger: ttyUSB0, /dev/ttyUSB0 o el enlace de un\n"
        "                       logger simulado\n"
        "  --output ARCHIVO     el archivo de datos; uno que ya existe se reemplaza; una\n"
        "                       carpeta, un dispositivo o una FIFO no\n"
        "  --csv                guarda CSV (UTF-8, punto decimal, fecha ISO 8601)\n"
        "  --force              descarga completa de las 4000 posiciones, sin esperar el\n"
        "                       informe del logger: solo si se quedó sin pilas\n"
        "  --set-clock          tras una descarga verificada y guardada, pone el reloj del\n"
        "                       logger en la hora del PC, lo que vacía su memoria\n"
        "  --timeout SEGUNDOS   espera máxima por la primera trama de estado y, de nuevo,\n"
        "                       por el fin de la descarga; de 1 a 3600, 30 si no se da\n"
        "                       (4000 muestras tardan unos 10 s)\n"
        "  --station NOMBRE     archiva la descarga en el archivo de estaciones con ese\n"
        "                       nombre de estación; con --station, --output es opcional.\n"
        "                       Hasta 100 caracteres; un nombre nuevo que solo difiere de\n"
        "                       una estación en mayúsculas, en cómo se escriben sus acentos\n"
        "                       o en caracteres invisibles es un error: se usa el de ella\n"
        "  --archive BASE       otro archivo de estaciones (SQLite) en vez del propio, que\n"
        "                       está en ~/.local/share/BRENTAVIUS4/estaciones.sqlite\n"
        "  --archive-server URL el archivo compartido de un laboratorio,\n"
        "                       postgresql://usuario@servidor:puerto/base, sin contraseña\n"
        "                       (va en ~/.pgpass o PGPASSFILE); tras «?», sslmode,\n"
        "                       sslrootcert, sslcert, sslkey, sslcrl, application_name,\n"
        "                       connect_timeout; un servidor que no es este PC se verifica\n"
        "                       por su certificado (sslmode=verify-full). Sin él, el guardado\n"
        "                       en el archivo, si lo hay\n"
        "  --archive-list       las estaciones con su primera y última muestra, muestras,\n"
        "                       descargas, el último desfase del reloj del logger (s) y la\n"
        "                       última descarga (UTC)\n"
        "  --archive-export     el registro de una estación en CSV, cada muestra una vez y en\n"
        "                       orden; --from y --to (AAAA-MM-DD[Thh:mm[:ss]], la hora del\n"
        "                       logger) lo acotan\n"
        "  --archive-import     trae al archivo los archivos guardados con \"GUARDAR\" y los\n"
        "                       CSV de este programa; una fila con una fecha o un valor que\n"
        "                       el logger no puede dar (años 2000 a 2099, lo que da una\n"
        "                       lectura de 12 bits) rechaza el archivo, nombrando la línea\n"
        "  --archive-sync       envía al archivo compartido las descargas que no tiene\n"
        "  --archive-downloads  las descargas archivadas (de una estación, con --station):\n"
        "                       número, llegada (UTC), estación, muestras, verificación y\n"
        "                       el comienzo de su SHA-256\n"
        "  --archive-remove-download N\n"
        "                       quita la descarga N del archivo: sus muestras que ninguna\n"
        "                       otra descarga trajo salen del registro\n"
        "  --archive-move-download N\n"
        "                       pasa la descarga N a la estación de --station (nueva o no)\n"
        "  --archive-rebuild    rehace el archivo de estaciones en uno nuevo desde las\n"
        "                       descargas que guarda, sin tocar el viejo (para uno dañado)\n"
        "  -h, --help           esta ayuda\n"
        "  -v, --version        la versión\n"
        "\n"
        "Un valor aparte no empieza con \"--\": \"--output --csv\" es un error. Una opción\n"
        "desconocida es un error; las de Qt (-platform, -style…) solo valen para las\n"
        "ventanas. El avance se muestra en la salida de errores cuando es una terminal.\n"
        "\n"
        "Códigos de salida:\n"
        "  0  descarga verificada y guardada\n"
        "  2  argumentos incorrectos; también un nombre de estación vacío, de más de 100\n"
        "     caracteres o nuevo y parecido al de una estación del archivo\n"
        "  3  el puerto no se puede abrir: no existe, falta permiso u otro programa lo usa\n"
        "  4  el logger no respondió a tiempo, la descarga no terminó o se perdió la línea:\n"
        "     nada se guardó; o, con --set-clock, el reloj no se ajustó tras guardar\n"
        "  5  la descarga no es la que informó el logger o tiene líneas dañadas: el archivo\n"
        "     se guardó igual, para revisarlo, y el reloj no se ajustó\n"
        "  6  el archivo no se pudo guardar; el reloj no se ajustó. Una salida que no sirve\n"
        "     (una carpeta, una carpeta que no existe o sin permiso, un dispositivo) se ve\n"
        "     antes de abrir el puerto: nada se descargó; el archivo de estaciones nunca es\n"
        "     una salida\n"
        "  7  no se pudo escribir o leer el archivo de estaciones (o no tiene esa estación\n"
        "     o esa descarga), o la descarga ya estaba archivada en otra estación: un\n"
        "     archivo guardado con --output queda guardado y el reloj no se ajustó. Uno\n"
        "     dañado no se escribe ni se exporta; --archive-rebuild lo rehace. Con\n"
        "     --archive-rebuild: alguna descarga no se pudo leer y quedó fuera\n"
        "  8  no se pudo enviar al archivo compartido: todo queda en el archivo local, sin\n"
        "     enviar, hasta la próxima sincronización\n"
        "  9  el archivo compartido recibió todo lo demás; descargas del archivo local están\n"
        "     dañadas o ya no se leen y no se enviaron: reconstruya el archivo, o quite las\n"
        "     que no se leen\n"
        "  130, 143, 129  interrumpido (Ctrl-C, kill, cierre de la terminal), en cualquier\n"
        "     modo: el puerto queda libre y no se escribió nada a medias\n");
}

} // namespace CommandLine
