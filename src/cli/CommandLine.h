// What the console program is asked to do, read from its command line, and
// the texts and exit codes it answers with: plain rules, no console here.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/Duplicates.h"
#include "engine/Export.h"
#include "engine/FoundFile.h"

namespace cli {

enum class Format { Plain, Csv, Json, Null };
enum class Removal { None, Recycle, Delete };

struct Options {
    std::vector<std::string> patterns;  // -p, in order; none: the pattern file's
    std::vector<std::string> exclusions;  // -x, what is never touched, besides the file's
    std::optional<std::string> ini;     // --ini; none: the window's Sweepfield.Ini; its
                                        // Excluir rows hold with -p too
    bool subfolders = true;
    std::optional<std::int64_t> smallerKb, largerKb;
    Format format = Format::Plain;
    Removal removal = Removal::None;
    bool automatic = false;  // --auto: each pattern's mode in the file says
    bool yes = false;
    bool quiet = false;
    bool help = false;  // the rest is not read then
    bool dups = false;  // --dups: the groups of duplicates among what is found
    std::optional<sweep::KeepRule> keep;  // --keep; none: the oldest (with --dups only)
    std::vector<std::string> protect;     // --protect, in order (with --dups only)
    std::string folder;
};

// The exit codes: all done; something was not done (a folder not read, a
// file kept, the output not written); bad usage, or nothing to search; and
// stopped by Ctrl+C or Ctrl+Break.
constexpr int kExitDone = 0;
constexpr int kExitNotAllDone = 1;
constexpr int kExitUsage = 2;
constexpr int kExitInterrupted = 130;

// Reads the arguments (after the program's name) the usual way: "-p X",
// "-pX", "--pattern X", "--pattern=X", letters without values together
// ("-qy"), "--" before arguments that are not options. Empty when they make
// sense; otherwise what is wrong, naming the culprit (Spanish).
std::string ParseArguments(const std::vector<std::string>& args, Options& options);

// The text of --help.
std::string UsageText();
// What follows an error on standard error.
constexpr std::string_view kHelpHint = "Prueba SweepfieldCmd --help";

// The question before removing: "¿Eliminar definitivamente 1.234 ficheros
// (56 Mbytes)? [s/N] ", "¿Enviar 1 fichero (10 bytes) a la Papelera? [s/N] ".
std::string QuestionText(Removal removal, std::int64_t files, std::int64_t bytes);
// The question before removing what the patterns with an automatic mode
// found, as the window asks it: "Los patrones con borrado automático
// encontraron 3 ficheros (18 bytes): ¿enviar 1 (3 bytes) a la Papelera y
// eliminar definitivamente 2 (15 bytes)? No se podrán recuperar. [s/N] ".
std::string AutoQuestionText(std::int64_t toBin, std::int64_t binBytes, std::int64_t toDelete,
                             std::int64_t deleteBytes);
// Whether an answer to it is yes: "s", "si" or "sí", in any case, blanks
// around it allowed; anything else (an empty line too) is no.
bool IsYes(std::string_view answer);

// What a removal did: "12 ficheros eliminados (34 Kbytes)", "1 fichero
// enviado a la Papelera (10 bytes); 2 no se pudieron borrar; 1 ya no estaba;
// 5 sin tocar" (the files not reached when it was interrupted).
struct RemovalCount {
    std::int64_t removed = 0, bytes = 0, kept = 0, missing = 0, untouched = 0;
};
std::string RemovalSummary(Removal removal, const RemovalCount& count);
// The same for files sent to the bin and then others deleted for good:
// "1 fichero enviado a la Papelera (3 bytes), 2 ficheros eliminados (15
// bytes); 1 no se pudo borrar", the files kept, missing and untouched of both.
std::string RemovalSummary(const RemovalCount& recycled, const RemovalCount& deleted);

// One line of the listing in a format, its line end included: the path for
// plain (CRLF), the CSV line (CRLF), the JSON object (LF), the path and a
// NUL for null. The CSV header comes first (CsvHeader, CRLF).
// `shown` makes the paths' texts once per folder.
std::string ListingLine(Format format, const sweep::FoundFile& file, std::string_view pattern,
                        sweep::ShownPaths& shown);
std::string ListingHeader(Format format);

// The same for a file of a group of duplicates, numbered from 1; `keep`:
// the file stays when the copies go. The CSV header is CsvDuplicateHeader.
std::string DuplicateLine(Format format, const sweep::FoundFile& file, std::string_view pattern, std::size_t group,
                          bool keep, sweep::ShownPaths& shown);
std::string DuplicateHeader(Format format);
// What goes between two groups: a blank line (plain), an empty path (null),
// nothing (csv and json, which number the groups).
std::string GroupSeparator(Format format);

}  // namespace cli
