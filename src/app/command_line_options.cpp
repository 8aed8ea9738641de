#include "app/command_line_options.h"

#include <cstring>

namespace CommandLine {
namespace {

constexpr int longestTimeoutSeconds = 3600;

const char *const optionNames[] = {"--download", "--output",     "--csv",  "--force", "--set-clock",
                                   "--timeout",  "--list-ports", "--help", "-h",      "--version",
                                   "-v"};

/// The option part of an argument: "--timeout=5" is "--timeout".
QString optionOf(const QString &argument)
{
    return argument.section(QLatin1Char('='), 0, 0);
}

} // namespace

bool wanted(int argc, const char *const *argv)
{
    for (int i = 1; i < argc; ++i) {
        const char *argument = argv[i];
        const std::size_t length = std::strcspn(argument, "=");
        for (const char *name : optionNames) {
            if (std::strlen(name) == length && std::strncmp(argument, name, length) == 0)
                return true;
        }
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
        "  --output ARCHIVO     el archivo de datos; uno que ya existe se reemplaza\n"
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
        "El avance se muestra en la salida de errores cuando es una terminal.\n"
        "\n"
        "Códigos de salida:\n"
        "  0  descarga verificada y guardada\n"
        "  2  argumentos incorrectos\n"
        "  3  el puerto no se puede abrir: no existe, falta permiso u otro programa lo usa\n"
        "  4  el logger no respondió a tiempo, la descarga no terminó o se perdió la línea:\n"
        "     nada se guardó; o, con --set-clock, el reloj no se ajustó tras guardar\n"
        "  5  la descarga no es la que informó el logger o tiene líneas dañadas: el archivo\n"
        "     se guardó igual, para revisarlo, y el reloj no se ajustó\n"
        "  6  el archivo no se pudo guardar; el reloj no se ajustó\n"
        "  130, 143, 129  interrumpido (Ctrl-C, kill, cierre de la terminal): el puerto\n"
        "     queda libre y no se escribió nada a medias\n");
}

} // namespace CommandLine
