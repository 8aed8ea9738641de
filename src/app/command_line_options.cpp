#include "app/command_line_options.h"

#include <algorithm>
#include <iterator>
#include <string_view>

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
        if (const int span = toolkitSpan(argument)) {
            i += span - 1;
            continue;
        }
        if (argument.starts_with('-'))
            return true;
    }
    return false;
}

Parse parse(const QStringList &arguments)
{
    Options options;
    bool download = false;
    bool listPorts = false;
    bool help = false;
    bool version = false;
    QStringList downloadOnly;
    const auto failure = [](const QString &error) {
        return Parse {std::nullopt, error};
    };

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

        if (option == QLatin1String("--download") || option == QLatin1String("--output")
            || option == QLatin1String("--timeout")) {
            const std::optional<QString> text = value();
            if (!text || text->isEmpty())
                return failure(QStringLiteral("%1 necesita un valor").arg(option));
            // A forgotten value must not swallow the option that follows.
            if (!inlineValue && text->startsWith(QLatin1String("--")))
                return failure(
                    QStringLiteral("%1 necesita un valor, no la opción %2").arg(option, *text));
            if (option == QLatin1String("--download")) {
                download = true;
                options.port = *text;
            } else if (option == QLatin1String("--output")) {
                options.output = *text;
                downloadOnly << option;
            } else {
                bool ok = false;
                options.timeoutSeconds = text->toInt(&ok);
                if (!ok || options.timeoutSeconds < 1
                    || options.timeoutSeconds > longestTimeoutSeconds)
                    return failure(QStringLiteral("--timeout toma segundos de 1 a %1, no \"%2\"")
                                       .arg(longestTimeoutSeconds)
                                       .arg(*text));
                downloadOnly << option;
            }
            continue;
        }
        bool known = true;
        if (option == QLatin1String("--csv"))
            known = flag(options.csv);
        else if (option == QLatin1String("--force"))
            known = flag(options.forced);
        else if (option == QLatin1String("--set-clock"))
            known = flag(options.setClock);
        else if (option == QLatin1String("--list-ports"))
            known = flag(listPorts);
        else if (option == QLatin1String("--help") || option == QLatin1String("-h"))
            known = flag(help);
        else if (option == QLatin1String("--version") || option == QLatin1String("-v"))
            known = flag(version);
        else if (argument.startsWith(QLatin1Char('-')))
            return failure(QStringLiteral("opción desconocida: %1").arg(argument));
        else
            return failure(QStringLiteral("argumento inesperado: %1").arg(argument));
        if (!known)
            return failure(QStringLiteral("%1 no lleva valor").arg(option));
        if (option == QLatin1String("--csv") || option == QLatin1String("--force")
            || option == QLatin1String("--set-clock"))
            downloadOnly << option;
    }

    if (help) {
        options.action = Options::Action::Help;
        return {options, {}};
    }
    if (version) {
        options.action = Options::Action::Version;
        return {options, {}};
    }
    if (listPorts && download)
        return failure(QStringLiteral("--list-ports y --download no van juntos"));
    if (listPorts) {
        if (!downloadOnly.isEmpty())
            return failure(QStringLiteral("%1 solo vale con --download").arg(downloadOnly.first()));
        options.action = Options::Action::ListPorts;
        return {options, {}};
    }
    if (!download && downloadOnly.isEmpty())
        return {options, {}};
    if (!download)
        return failure(QStringLiteral("%1 solo vale con --download").arg(downloadOnly.first()));
    if (options.output.isEmpty())
        return failure(QStringLiteral("--download necesita --output ARCHIVO"));
    options.action = Options::Action::Download;
    return {options, {}};
}

QString helpText()
{
    return QStringLiteral(
        "Uso: brentavius4\n"
        "     brentavius4 --download PUERTO --output ARCHIVO [--csv] [--force] [--set-clock]\n"
        "                 [--timeout SEGUNDOS]\n"
        "     brentavius4 --list-ports | --help | --version\n"
        "\n"
        "Sin opciones abre la ventana principal. Con --download descarga el logger sin\n"
        "ventanas ni pantalla, como lo hace \"DESCARGAR DATOS\", verifica la descarga contra\n"
        "las muestras que informó el logger y guarda el archivo como lo guarda \"GUARDAR\".\n"
        "\n"
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
        "  -h, --help           esta ayuda\n"
        "  -v, --version        la versión\n"
        "\n"
        "Un valor aparte no empieza con \"--\": \"--output --csv\" es un error. Una opción\n"
        "desconocida es un error; las de Qt (-platform, -style…) solo valen para las\n"
        "ventanas. El avance se muestra en la salida de errores cuando es una terminal.\n"
        "\n"
        "Códigos de salida:\n"
        "  0  descarga verificada y guardada\n"
        "  2  argumentos incorrectos\n"
        "  3  el puerto no se puede abrir: no existe, falta permiso u otro programa lo usa\n"
        "  4  el logger no respondió a tiempo, la descarga no terminó o se perdió la línea:\n"
        "     nada se guardó; o, con --set-clock, el reloj no se ajustó tras guardar\n"
        "  5  la descarga no es la que informó el logger o tiene líneas dañadas: el archivo\n"
        "     se guardó igual, para revisarlo, y el reloj no se ajustó\n"
        "  6  el archivo no se pudo guardar; el reloj no se ajustó. Una salida que no sirve\n"
        "     (una carpeta, una carpeta que no existe o sin permiso, un dispositivo) se ve\n"
        "     antes de abrir el puerto: nada se descargó\n"
        "  130, 143, 129  interrumpido (Ctrl-C, kill, cierre de la terminal): el puerto\n"
        "     queda libre y no se escribió nada a medias\n");
}

} // namespace CommandLine
