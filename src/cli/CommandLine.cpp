#include "cli/CommandLine.h"

#include <climits>

#include "base/Text.h"
#include "base/Unicode.h"
#include "engine/Export.h"
#include "engine/PatternList.h"
#include "engine/Search.h"

namespace cli {

namespace {

enum class Takes { Nothing, Value };

struct OptionSpec {
    char letter;  // 0: long form only
    const char* name;
    Takes takes;
};

constexpr OptionSpec kOptions[] = {
    {'p', "pattern", Takes::Value}, {'x', "exclude", Takes::Value}, {0, "ini", Takes::Value},
    {0, "no-subdirs", Takes::Nothing}, {0, "smaller", Takes::Value}, {0, "larger", Takes::Value},
    {'f', "format", Takes::Value},  {0, "recycle", Takes::Nothing}, {0, "delete", Takes::Nothing},
    {0, "auto", Takes::Nothing},    {'y', "yes", Takes::Nothing},     {'q', "quiet", Takes::Nothing},
    {'h', "help", Takes::Nothing},  {0, "dups", Takes::Nothing},      {0, "keep", Takes::Value},
    {0, "protect", Takes::Value},
};

const OptionSpec* ByName(std::string_view name) {
    for (const OptionSpec& o : kOptions)
        if (name == o.name) return &o;
    return nullptr;
}

const OptionSpec* ByLetter(char letter) {
    for (const OptionSpec& o : kOptions)
        if (o.letter && letter == o.letter) return &o;
    return nullptr;
}

std::string Quoted(std::string_view text) { return "«" + std::string(text) + "»"; }

// A size limit in Kb: a whole number, not negative, whose bytes fit.
std::string ReadKb(const char* option, const std::string& text, std::optional<std::int64_t>& kb) {
    std::int64_t value = 0;
    if (!base::TryStrToInt64(text, value) || value < 0 || value > INT64_MAX / 1024)
        return std::string("--") + option + " espera un número de Kb, no " + Quoted(text);
    kb = value;
    return std::string();
}

// Applies one option with its value (empty for those that take none).
std::string Apply(const OptionSpec& o, const std::string& value, Options& options) {
    const std::string_view name = o.name;
    if (name == "pattern") {
        if (value.empty()) return "el patrón de --pattern está vacío";
        options.patterns.push_back(value);
    } else if (name == "exclude") {
        if (value.empty()) return "el patrón de --exclude está vacío";
        options.exclusions.push_back(value);
    } else if (name == "ini") {
        if (value.empty()) return "falta el nombre del fichero de --ini";
        options.ini = value;
    } else if (name == "no-subdirs") {
        options.subfolders = false;
    } else if (name == "smaller") {
        return ReadKb(o.name, value, options.smallerKb);
    } else if (name == "larger") {
        return ReadKb(o.name, value, options.largerKb);
    } else if (name == "format") {
        if (value == "plain") options.format = Format::Plain;
        else if (value == "csv") options.format = Format::Csv;
        else if (value == "json") options.format = Format::Json;
        else if (value == "null") options.format = Format::Null;
        else return "formato desconocido: " + Quoted(value) + " (plain, csv, json o null)";
    } else if (name == "recycle" || name == "delete") {
        const Removal asked = name == "recycle" ? Removal::Recycle : Removal::Delete;
        if (options.removal != Removal::None && options.removal != asked)
            return "--recycle y --delete no van juntas";
        options.removal = asked;
    } else if (name == "auto") {
        options.automatic = true;
    } else if (name == "yes") {
        options.yes = true;
    } else if (name == "quiet") {
        options.quiet = true;
    } else if (name == "help") {
        options.help = true;
    } else if (name == "dups") {
        options.dups = true;
    } else if (name == "keep") {
        options.keep = sweep::KeepRuleNamed(value);
        if (!options.keep) return "regla desconocida en --keep: " + Quoted(value) + " (oldest, newest, shortest o first)";
    } else if (name == "protect") {
        if (value.empty()) return "falta la carpeta de --protect";
        options.protect.push_back(value);
    }
    return std::string();
}

}  // namespace

std::string ParseArguments(const std::vector<std::string>& args, Options& options) {
    options = Options();
    std::vector<std::string> operands;
    bool optionsOver = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (optionsOver || arg.size() < 2 || arg[0] != '-') {
            operands.push_back(arg);
            continue;
        }
        if (arg == "--") {
            optionsOver = true;
            continue;
        }
        // The value of an option: what follows "=" or the letter, or the
        // next argument, whatever it looks like ("-p -x.tmp" looks for "-x.tmp").
        auto nextValue = [&](const std::string& shown, std::string& value) -> std::string {
            if (i + 1 >= args.size()) return "falta el valor de " + shown;
            value = args[++i];
            return std::string();
        };
        std::string error;
        if (arg[1] == '-') {
            const std::size_t equals = arg.find('=');
            const std::string name = arg.substr(2, equals == std::string::npos ? std::string::npos : equals - 2);
            const OptionSpec* o = ByName(name);
            if (!o) return "opción desconocida: " + Quoted(arg.substr(0, equals));
            std::string value;
            if (o->takes == Takes::Nothing && equals != std::string::npos)
                return "--" + name + " no lleva valor";
            if (o->takes == Takes::Value) {
                if (equals != std::string::npos)
                    value = arg.substr(equals + 1);
                else
                    error = nextValue("--" + name, value);
            }
            if (error.empty()) error = Apply(*o, value, options);
        } else {
            for (std::size_t k = 1; k < arg.size() && error.empty(); ++k) {
                const OptionSpec* o = ByLetter(arg[k]);
                if (!o) return "opción desconocida: " + Quoted(std::string("-") + arg[k]);
                std::string value;
                if (o->takes == Takes::Value) {
                    if (k + 1 < arg.size())
                        value = arg.substr(k + 1);
                    else
                        error = nextValue(std::string("-") + arg[k], value);
                    k = arg.size();
                }
                if (error.empty()) error = Apply(*o, value, options);
            }
        }
        if (!error.empty()) return error;
        // The help needs nothing else, and a mistake after it does not hide it.
        if (options.help) return std::string();
    }
    // The modes of the pattern file say what goes and how: a removal of
    // everything found, or patterns without a mode, would say otherwise.
    if (options.automatic && options.removal != Removal::None)
        return std::string("--auto no va con ") + (options.removal == Removal::Recycle ? "--recycle" : "--delete") +
               ": con --auto, el modo de cada patrón de la lista dice qué se borra y cómo";
    if (options.automatic && !options.patterns.empty())
        return "--auto no va con -p: actúa según los modos de los patrones de la lista (--ini)";
    if (options.automatic && options.dups)
        return "--auto no va con --dups: con --dups solo se quitan copias, con --recycle o --delete";
    if (operands.empty()) return "falta la CARPETA donde buscar";
    if (operands.size() > 1) return "sobra un argumento: " + Quoted(operands[1]) + " (solo se busca en una CARPETA)";
    options.folder = operands[0];
    if (!options.dups && (options.keep || !options.protect.empty()))
        return std::string(options.keep ? "--keep" : "--protect") + " solo va con --dups";

    sweep::SearchRequest limits;
    sweep::SetKbLimits(limits, options.smallerKb, options.largerKb);
    if (!sweep::AnySizePasses(limits))
        return options.largerKb ? "ningún tamaño cumple a la vez --smaller " + base::IntToStr(*options.smallerKb) +
                                      " y --larger " + base::IntToStr(*options.largerKb)
                                : "ningún fichero es menor que 0 Kb";
    return std::string();
}

std::string UsageText() {
    return "Uso: SweepfieldCmd [opciones] CARPETA\n"
           "\n"
           "Busca en CARPETA y en sus subcarpetas los ficheros cuyo nombre casa con\n"
           "alguno de los patrones (* cualquier serie de caracteres, ? uno) y escribe\n"
           "sus rutas en la salida estándar. No borra nada sin --recycle, --delete o\n"
           "--auto, y entonces pregunta antes, salvo con --yes.\n"
           "\n"
           "Opciones:\n"
           "  -p, --pattern PATRÓN   un patrón (se puede repetir); sin ninguno, los de --ini\n"
           "                         (con --dups y sin --ini, todos los ficheros)\n"
           "  -x, --exclude PATRÓN   lo que nunca se toca (se puede repetir), como una fila\n"
           "                         Excluir: un fichero no se lista, una carpeta no se\n"
           "                         recorre; Proyectos\\Cliente, esa carpeta donde esté\n"
           "      --ini FICHERO      la lista de patrones y sus modos (por omisión, la que\n"
           "                         usa la ventana: Sweepfield.Ini junto al programa, o\n"
           "                         la de %APPDATA%\\Sweepfield si está); sus filas\n"
           "                         Excluir valen también con -p\n"
           "      --no-subdirs       solo las entradas de la propia CARPETA\n"
           "      --smaller KB       solo ficheros de menos de KB Kb (1 Kb = 1024 bytes)\n"
           "      --larger KB        solo ficheros de más de KB Kb\n"
           "  -f, --format F         plain (por omisión): una ruta por línea\n"
           "                         csv: ruta,nombre,carpeta,bytes,modificado,patron\n"
           "                         json: un objeto por línea (JSON Lines)\n"
           "                         null: las rutas terminadas en NUL\n"
           "      --recycle          envía lo encontrado a la Papelera\n"
           "      --delete           elimina lo encontrado definitivamente\n"
           "      --auto             lo encontrado por los patrones de modo Papelera, a la\n"
           "                         Papelera, y por los de modo Eliminar, definitivamente\n"
           "                         (no va con -p, --recycle, --delete ni --dups)\n"
           "  -y, --yes              no pregunta (obligatorio con --recycle, --delete o\n"
           "                         --auto si la entrada estándar no es una consola)\n"
           "      --dups             solo los ficheros de igual contenido que otro, por\n"
           "                         grupos (el que se conserva, primero; una línea en blanco\n"
           "                         entre grupos; csv y json añaden las columnas group y\n"
           "                         keep); con --recycle o --delete se quitan las copias,\n"
           "                         cada una tras compararla byte a byte con la que se\n"
           "                         conserva\n"
           "      --keep REGLA       cuál se conserva: oldest (por omisión, el más antiguo),\n"
           "                         newest, shortest (la ruta más corta) o first (el primero\n"
           "                         encontrado)\n"
           "      --protect CARPETA  nada de CARPETA se quita como copia (se puede repetir)\n"
           "  -q, --quiet            sin progreso ni resumen\n"
           "  -h, --help             esta ayuda\n"
           "\n"
           "Códigos de salida: 0 todo hecho; 1 algo no se hizo (una carpeta que no se\n"
           "pudo leer, un fichero que no se pudo borrar); 2 uso incorrecto; 130\n"
           "interrumpido con Ctrl+C o Ctrl+Break.\n"
           "\n"
           "Ejemplos:\n"
           "  SweepfieldCmd -f csv D:\\Proyectos > encontrados.csv\n"
           "      lista lo que borraría la lista de patrones, sin borrar nada\n"
           "  schtasks /create /sc weekly /tn LimpiarTemporales /tr \"C:\\Sweepfield\\SweepfieldCmd.exe --recycle --yes -q -p *.tmp C:\\Users\\Ana\\AppData\\Local\\Temp\"\n"
           "      cada semana, los *.tmp de esa carpeta a la Papelera, sin preguntar\n"
           "  SweepfieldCmd -q -f null -p *.bak D:\\Datos | xargs -0 7z a copias.7z\n"
           "      las rutas, tal cual, a otro programa\n"
           "  SweepfieldCmd --auto -x .git -x node_modules D:\\Proyectos\n"
           "      lista, pregunta una vez y borra según el modo de cada patrón de la\n"
           "      lista, sin entrar nunca en .git ni en node_modules\n"
           "  SweepfieldCmd --dups --keep newest --protect D:\\Fotos\\Originales --recycle D:\\Fotos\n"
           "      las copias repetidas de las fotos a la Papelera; de cada grupo queda la más\n"
           "      reciente, y nada de Originales se quita\n";
}

std::string QuestionText(Removal removal, std::int64_t files, std::int64_t bytes) {
    const std::string what = base::GroupedCount(files) + (files == 1 ? " fichero (" : " ficheros (") +
                             base::ScaledSize(bytes) + ")";
    return removal == Removal::Recycle ? "¿Enviar " + what + " a la Papelera? [s/N] "
                                       : "¿Eliminar definitivamente " + what + "? [s/N] ";
}

std::string AutoQuestionText(std::int64_t toBin, std::int64_t binBytes, std::int64_t toDelete,
                             std::int64_t deleteBytes) {
    return sweep::AutoRemovalQuestion(toBin, binBytes, toDelete, deleteBytes) + " [s/N] ";
}

bool IsYes(std::string_view answer) {
    while (!answer.empty() && (answer.front() == ' ' || answer.front() == '\t')) answer.remove_prefix(1);
    while (!answer.empty() && (answer.back() == ' ' || answer.back() == '\t' || answer.back() == '\r' ||
                               answer.back() == '\n'))
        answer.remove_suffix(1);
    for (std::string_view yes : {"s", "S", "si", "Si", "SI", "sI", "sí", "Sí", "SÍ", "sÍ"})
        if (answer == yes) return true;
    return false;
}

namespace {

// "12 ficheros eliminados (34 Kbytes)", "1 fichero enviado a la Papelera (10 bytes)".
std::string RemovedText(Removal removal, const RemovalCount& count) {
    const bool one = count.removed == 1;
    return base::GroupedCount(count.removed) + (one ? " fichero " : " ficheros ") +
           (removal == Removal::Recycle ? (one ? "enviado a la Papelera" : "enviados a la Papelera")
                                        : (one ? "eliminado" : "eliminados")) +
           " (" + base::ScaledSize(count.bytes) + ")";
}

// "; 2 no se pudieron borrar; 1 ya no estaba; 5 sin tocar", as far as any.
std::string NotRemovedText(const RemovalCount& count) {
    std::string text;
    if (count.kept) text += "; " + base::GroupedCount(count.kept) + (count.kept == 1 ? " no se pudo borrar" : " no se pudieron borrar");
    if (count.missing) text += "; " + base::GroupedCount(count.missing) + (count.missing == 1 ? " ya no estaba" : " ya no estaban");
    if (count.untouched) text += "; " + base::GroupedCount(count.untouched) + " sin tocar";
    return text;
}

}  // namespace

std::string RemovalSummary(Removal removal, const RemovalCount& count) {
    return RemovedText(removal, count) + NotRemovedText(count);
}

std::string RemovalSummary(const RemovalCount& recycled, const RemovalCount& deleted) {
    RemovalCount rest = deleted;
    rest.kept += recycled.kept;
    rest.missing += recycled.missing;
    rest.untouched += recycled.untouched;
    return RemovedText(Removal::Recycle, recycled) + ", " + RemovedText(Removal::Delete, deleted) + NotRemovedText(rest);
}

std::string DuplicateHeader(Format format) {
    return format == Format::Csv ? sweep::CsvDuplicateHeader() + "\r\n" : std::string();
}

std::string DuplicateLine(Format format, const sweep::FoundFile& file, std::string_view pattern, std::size_t group,
                          bool keep, sweep::ShownPaths& shown) {
    std::string line;
    switch (format) {
        case Format::Csv: return (line = sweep::CsvDuplicateLine(file, pattern, group, keep, shown)) += "\r\n";
        case Format::Json: return (line = sweep::JsonDuplicateLine(file, pattern, group, keep, shown)) += '\n';
        case Format::Null:
        case Format::Plain: break;
    }
    return ListingLine(format, file, pattern, shown);
}

std::string GroupSeparator(Format format) {
    switch (format) {
        case Format::Plain: return "\r\n";
        case Format::Null: return std::string(1, '\0');
        case Format::Csv:
        case Format::Json: break;
    }
    return std::string();
}

std::string ListingHeader(Format format) { return format == Format::Csv ? sweep::CsvHeader() + "\r\n" : std::string(); }

std::string ListingLine(Format format, const sweep::FoundFile& file, std::string_view pattern,
                        sweep::ShownPaths& shown) {
    std::string line;
    switch (format) {
        case Format::Csv: return (line = sweep::CsvLine(file, pattern, shown)) += "\r\n";
        case Format::Json: return (line = sweep::JsonLine(file, pattern, shown)) += '\n';
        case Format::Null:
            shown.AppendPath(line, file);
            return line += '\0';
        case Format::Plain: break;
    }
    shown.AppendPath(line, file);
    return line += "\r\n";
}

}  // namespace cli
