// The console program's command line, read into options or refused with a
// message that names the culprit; and the question before a removal.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/Text.h"
#include "cli/CommandLine.h"

namespace {

// The options as one line, so that a table row can say all of them.
std::string Described(const cli::Options& o) {
    std::string d;
    for (const std::string& p : o.patterns) d += "p=" + p + " ";
    for (const std::string& x : o.exclusions) d += "x=" + x + " ";
    if (o.ini) d += "ini=" + *o.ini + " ";
    if (!o.subfolders) d += "no-subdirs ";
    if (o.smallerKb) d += "<" + base::IntToStr(*o.smallerKb) + " ";
    if (o.largerKb) d += ">" + base::IntToStr(*o.largerKb) + " ";
    const char* formats[] = {"plain", "csv", "json", "null"};
    d += std::string(formats[static_cast<int>(o.format)]) + " ";
    if (o.removal == cli::Removal::Recycle) d += "recycle ";
    if (o.removal == cli::Removal::Delete) d += "delete ";
    if (o.automatic) d += "auto ";
    if (o.yes) d += "yes ";
    if (o.quiet) d += "quiet ";
    if (o.help) d += "help ";
    if (o.dups) d += "dups ";
    if (o.keep) d += "keep=" + std::to_string(static_cast<int>(*o.keep)) + " ";
    for (const std::string& p : o.protect) d += "protect=" + p + " ";
    return d + "[" + o.folder + "]";
}

TEST(CommandLine, ReadsTheUsualFormsAndNamesWhatIsWrong) {
    const struct {
        std::vector<std::string> args;
        std::string options;  // as Described; empty when refused
        std::string error;    // a part of the message; empty when read
    } cases[] = {
        {{"C:\\x"}, "plain [C:\\x]", ""},
        {{"-p", "*.tmp", "--pattern", "*.bak", "-p~*", "--pattern=a=b", "C:\\x"},
         "p=*.tmp p=*.bak p=~* p=a=b plain [C:\\x]", ""},
        {{"--ini", "l.ini", "--no-subdirs", "--smaller", "32", "--larger=1", "-f", "csv", "C:\\x"},
         "ini=l.ini no-subdirs <32 >1 csv [C:\\x]", ""},
        {{"-qyfjson", "--delete", "--delete", "x"}, "json delete yes quiet [x]", ""},
        {{"--format=null", "--recycle", "x"}, "null recycle [x]", ""},
        // A value is the next argument whatever it looks like; after "--"
        // nothing is an option.
        {{"-p", "-x.tmp", "--", "-q"}, "p=-x.tmp plain [-q]", ""},
        {{"-"}, "plain [-]", ""},
        {{"--smaller", "0", "x"}, "", "ningún fichero es menor que 0 Kb"},
        // The help wins over what follows, not over what went before.
        {{"--help", "--bogus"}, "plain help []", ""},
        {{"--bogus", "-h"}, "", "opción desconocida: «--bogus»"},
        {{"-z", "x"}, "", "opción desconocida: «-z»"},
        {{"-p"}, "", "falta el valor de -p"},
        {{"x", "--format"}, "", "falta el valor de --format"},
        {{"-p", "", "x"}, "", "el patrón de --pattern está vacío"},
        {{"--quiet=1", "x"}, "", "--quiet no lleva valor"},
        {{"--smaller", "12k", "x"}, "", "--smaller espera un número de Kb, no «12k»"},
        {{"--larger", "-5", "x"}, "", "--larger espera un número de Kb, no «-5»"},
        {{"--larger", "9007199254740992", "x"}, "", "--larger espera un número de Kb"},
        {{"--smaller", "2", "--larger", "1", "x"}, "<2 >1 plain [x]", ""},
        {{"--smaller", "1", "--larger", "1", "x"}, "", "ningún tamaño cumple a la vez --smaller 1 y --larger 1"},
        {{"--recycle", "--delete", "x"}, "", "--recycle y --delete no van juntas"},
        {{"-f", "xml", "x"}, "", "formato desconocido: «xml»"},
        {{"-x", "node_modules", "--exclude=Proyectos\\Cliente", "-qxa.tmp", "--auto", "x"},
         "x=node_modules x=Proyectos\\Cliente x=a.tmp plain auto quiet [x]", ""},
        {{"-x", "", "x"}, "", "el patrón de --exclude está vacío"},
        // The modes of the list say what goes and how, and nothing else does.
        {{"--auto", "--recycle", "x"}, "", "--auto no va con --recycle"},
        {{"--delete", "--auto", "x"}, "", "--auto no va con --delete"},
        {{"--auto", "-p", "*.tmp", "x"}, "", "--auto no va con -p"},
        {{"--auto", "--dups", "x"}, "", "--auto no va con --dups"},
        {{"-p", "*.tmp"}, "", "falta la CARPETA"},
        {{"C:\\x", "D:\\y"}, "", "sobra un argumento: «D:\\y»"},
        {{"--dups", "--keep", "shortest", "--protect", "C:\\k", "--protect=D:\\l", "x"},
         "plain dups keep=2 protect=C:\\k protect=D:\\l [x]", ""},
        {{"--dups", "--keep=biggest", "x"}, "", "regla desconocida en --keep: «biggest»"},
        {{"--keep", "first", "x"}, "", "--keep solo va con --dups"},
        {{"--protect", "C:\\k", "x"}, "", "--protect solo va con --dups"},
        {{"--dups", "--protect=", "x"}, "", "falta la carpeta de --protect"},
    };
    for (const auto& c : cases) {
        std::string joined;
        for (const std::string& a : c.args) joined += "'" + a + "' ";
        cli::Options options;
        const std::string error = cli::ParseArguments(c.args, options);
        if (c.error.empty()) {
            EXPECT_EQ(error, "") << joined;
            EXPECT_EQ(Described(options), c.options) << joined;
        } else {
            EXPECT_NE(error.find(c.error), std::string::npos) << joined << "gave: " << error;
        }
    }
}

TEST(CommandLine, TheQuestionCountsAndScalesAsTheWindowDoesAndOnlyYesIsYes) {
    EXPECT_EQ(cli::QuestionText(cli::Removal::Delete, 1234, 117LL * 1048576),
              "¿Eliminar definitivamente 1.234 ficheros (117 Mbytes)? [s/N] ");
    EXPECT_EQ(cli::QuestionText(cli::Removal::Recycle, 1, 10), "¿Enviar 1 fichero (10 bytes) a la Papelera? [s/N] ");
    // The window's question after a search, with the console's answers.
    EXPECT_EQ(cli::AutoQuestionText(300, 1228LL * 1048576, 12, 56 * 1024),
              "Los patrones con borrado automático encontraron 312 ficheros (1228 Mbytes): ¿enviar 300 (1228 "
              "Mbytes) a la Papelera y eliminar definitivamente 12 (56 Kbytes)? No se podrán recuperar. [s/N] ");
    EXPECT_EQ(cli::AutoQuestionText(1, 10, 0, 0),
              "Los patrones con borrado automático encontraron 1 fichero (10 bytes): ¿enviarlo a la Papelera? [s/N] ");
    EXPECT_EQ(cli::AutoQuestionText(0, 0, 2, 20),
              "Los patrones con borrado automático encontraron 2 ficheros (20 bytes): ¿eliminarlos definitivamente? No "
              "se podrán recuperar. [s/N] ");
    for (const char* yes : {"s", "S", " si ", "Sí", "sí\r\n"}) EXPECT_TRUE(cli::IsYes(yes)) << yes;
    for (const char* no : {"", "n", "no", "sin", "yes", "y", "ss"}) EXPECT_FALSE(cli::IsYes(no)) << no;
    cli::RemovalCount count;
    count.removed = 1;
    count.bytes = 56 * 1024;
    count.kept = 1;
    count.missing = 2;
    count.untouched = 1234;
    EXPECT_EQ(cli::RemovalSummary(cli::Removal::Recycle, count),
              "1 fichero enviado a la Papelera (56 Kbytes); 1 no se pudo borrar; 2 ya no estaban; 1.234 sin tocar");
    cli::RemovalCount deleted;
    deleted.removed = 2;
    deleted.bytes = 20;
    deleted.kept = 3;
    deleted.untouched = 1;
    EXPECT_EQ(cli::RemovalSummary(count, deleted),
              "1 fichero enviado a la Papelera (56 Kbytes), 2 ficheros eliminados (20 bytes); 4 no se pudieron borrar; 2 "
              "ya no estaban; 1.235 sin tocar");
}

}  // namespace
