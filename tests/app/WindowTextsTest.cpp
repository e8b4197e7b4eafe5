// What the main window says and how it reads its fields: the pattern modes,
// result texts, the status bar's sentences, the size fields.
#include <gtest/gtest.h>

#include <fstream>

#include "app/WindowTexts.h"
#include "engine/Duplicates.h"
#include "support/TestSupport.h"
#include "ui/SysUtils.h"

using namespace sweep;

namespace {



TEST(PatternList, ModeIndexComparesExactly) {
    EXPECT_EQ(ModeIndexOf("No"), 0);
    EXPECT_EQ(ModeIndexOf("Papelera"), 1);
    EXPECT_EQ(ModeIndexOf("Eliminar"), 2);
    EXPECT_EQ(ModeIndexOf("Excluir"), 3);  // an excluded row never comes back as "Eliminar"
    EXPECT_EQ(ModeIndexOf("no"), 2);
    EXPECT_EQ(ModeIndexOf(""), 2);
}

// Sizes are whole, past 2 GiB too, grouped as the locale's grouping text
// and separator say.
TEST(ResultTexts, SizesAreWholeAndGroupedAsTheLocaleSays) {
    const struct {
        const char* grouping;
        const char* separator;
        std::int64_t size;
        const char* text;
    } cases[] = {
        {"3;0", ".", 0, "0 bytes"},
        {"3;0", ".", 999, "999 bytes"},
        {"3;0", ".", 1000, "1.000 bytes"},
        {"3;0", ".", 125829120, "125.829.120 bytes"},
        {"3;0", ",", 3000000000LL, "3,000,000,000 bytes"},
        {"3;0", "\xC2\xA0", 1234567, "1\xC2\xA0" "234\xC2\xA0" "567 bytes"},  // a no-break space
        {"3;2;0", ",", 1234567890, "1,23,45,67,890 bytes"},
        {"3", ".", 1234567890, "1234567.890 bytes"},  // without the 0 the group does not repeat
        {"0", ".", 1234567, "1234567 bytes"},
        {"", ".", 1234567, "1234567 bytes"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(SizeText(c.size, ParseGrouping(c.grouping, c.separator)), c.text) << c.grouping << " " << c.size;
    EXPECT_EQ(GroupDigits(-1234, ParseGrouping("3;0", ".")), "-1.234");
}

// Column widths read back from the settings: exactly as many as there are
// columns, each a plausible width, or none at all.
TEST(Settings, ColumnWidthsReadBackWholeOrNotAtAll) {
    EXPECT_EQ(ParseWidths(WidthsText({130, 0, 100, 126}), 4), (std::vector<int>{130, 0, 100, 126}));
    for (const char* bad : {"", "1,2,3", "1,2,3,4,5", "1,,3,4", "1,2,3,x", "1,2,3,-4", "1,2,3,10001"})
        EXPECT_TRUE(ParseWidths(bad, 4).empty()) << bad;
}

FILETIME LocalToFileTime(WORD y, WORD mo, WORD d, WORD h, WORD mi, WORD s) {
    SYSTEMTIME st{};
    st.wYear = y, st.wMonth = mo, st.wDay = d, st.wHour = h, st.wMinute = mi, st.wSecond = s;
    FILETIME local, utc;
    ::SystemTimeToFileTime(&st, &local);
    ::LocalFileTimeToFileTime(&local, &utc);
    return utc;
}

TEST(ResultTexts, ModifiedTextHasTwoSecondPrecisionInsideAndOutsideTheDosRange) {
    SYSTEMTIME even{};
    even.wYear = 2001, even.wMonth = 9, even.wDay = 30, even.wHour = 8, even.wMinute = 7, even.wSecond = 6;
    EXPECT_EQ(ModifiedText(LocalToFileTime(2001, 9, 30, 8, 7, 7)), ui::DateTimeToStr(even));
    SYSTEMTIME midnight{};
    midnight.wYear = 2010, midnight.wMonth = 1, midnight.wDay = 2;
    EXPECT_EQ(ModifiedText(LocalToFileTime(2010, 1, 2, 0, 0, 1)), ui::DateTimeToStr(midnight));
    // Before 1980 a DOS date has no room; the text is still right.
    SYSTEMTIME old{};
    old.wYear = 1975, old.wMonth = 3, old.wDay = 4, old.wHour = 5, old.wMinute = 6, old.wSecond = 8;
    EXPECT_EQ(ModifiedText(LocalToFileTime(1975, 3, 4, 5, 6, 9)), ui::DateTimeToStr(old));
    SYSTEMTIME late{};
    late.wYear = 2150, late.wMonth = 12, late.wDay = 31, late.wHour = 23, late.wMinute = 59, late.wSecond = 58;
    EXPECT_EQ(ModifiedText(LocalToFileTime(2150, 12, 31, 23, 59, 59)), ui::DateTimeToStr(late));
}

TEST(Questions, DeletingForGoodNamesTheFilesAndTheirSpace) {
    const std::pair<std::int64_t, std::int64_t> counts[] = {{1, 6}, {999, 10000}, {128625, 123456789}};
    const char* const texts[] = {"1 fichero (6 bytes)", "999 ficheros (9 Kbytes)", "128.625 ficheros (117 Mbytes)"};
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(DeleteForGoodQuestion(counts[i].first, counts[i].second),
                  std::string("¿Eliminar definitivamente ") + texts[i] + "? No se podrán recuperar.");
}

TEST(Questions, TheEndOfARemovalSaysWhatWentAndWhatStayed) {
    const struct {
        RemovalTally tally;
        bool bin, stopped;
        const char* text;
    } cases[] = {
        {{1234, 123456789, 0, 0}, false, false, "Hecho: 1.234 borrados (117 Mbytes)"},
        {{1, 6, 0, 0}, false, false, "Hecho: 1 borrado (6 bytes)"},
        {{1230, 104857600, 4, 0}, true, false, "Hecho: 1.230 a la Papelera (100 Mbytes); 4 no se pudieron borrar"},
        {{0, 0, 1, 1}, false, false, "Hecho: 0 borrados (0 bytes); 1 no se pudo borrar; 1 ya no estaba"},
        {{2, 20000, 0, 3}, true, true, "Detenido: 2 a la Papelera (19 Kbytes); 3 ya no estaban"},
    };
    for (const auto& c : cases) EXPECT_EQ(RemovalSummary(c.tally, c.bin, c.stopped), c.text);
    EXPECT_EQ(SearchSummary(0, false), "Hecho");
    EXPECT_EQ(SearchSummary(1, false), "Hecho; 1 carpeta no se pudo leer");
    EXPECT_EQ(SearchSummary(1234, true), "Detenido; 1.234 carpetas no se pudieron leer");
}

// What the window says of duplicates: the counts, the progress, the end of
// a search and the question, one and many.
TEST(DuplicateTexts, CountsProgressEndAndQuestion) {
    const auto totals = [](std::int64_t g, std::int64_t c, std::int64_t b) {
        const DuplicateTotals t = DuplicateTotalsText(g, c, b);
        return std::vector<std::string>{t.groups, t.groupsLabel, t.copies, t.space};
    };
    EXPECT_EQ(totals(1, 1, 100), (std::vector<std::string>{"1", "grupo", "1 copia", "100 bytes"}));
    EXPECT_EQ(totals(1234, 5678, 123456789),
              (std::vector<std::string>{"1.234", "grupos", "5.678 copias", "117 Mbytes"}));
    sweep::DuplicateProgress progress;
    progress.filesFound = 1;
    EXPECT_EQ(DuplicateProgressText(progress), "Buscando: 1 fichero");
    progress.filesFound = 4321;
    EXPECT_EQ(DuplicateProgressText(progress), "Buscando: 4.321 ficheros");
    progress.listing = false;
    progress.filesCompared = 1200;
    progress.candidates = 4000;
    progress.bytesRead = 20000;
    progress.candidateBytes = 123456789;
    EXPECT_EQ(DuplicateProgressText(progress), "Comparados 1.200 de 4.000 ficheros (19 Kbytes de 117 Mbytes)");
    EXPECT_EQ(DuplicateSearchSummary(0, 0, false), "Hecho");
    EXPECT_EQ(DuplicateSearchSummary(1, 1, false), "Hecho; 1 carpeta no se pudo leer; 1 fichero no se pudo leer");
    EXPECT_EQ(DuplicateSearchSummary(0, 2, true), "Detenido; 2 ficheros no se pudieron leer");
    EXPECT_EQ(DeleteCopiesQuestion(1, 6),
              "¿Eliminar definitivamente 1 copia (6 bytes)? Se conserva una de cada grupo. No se podrán recuperar.");
}

TEST(SizeFields, LimitsThatNoSizeCanPassAreNamed) {
    const std::string both = "Ningún tamaño cumple los dos límites", zero = "Ningún fichero es menor que 0 Kb";
    const std::optional<std::int64_t> none;
    const struct {
        std::optional<std::int64_t> belowKb, aboveKb;
        std::string deadEnd;
    } cases[] = {{32, 1024, both}, {5, 5, both},   {6, 5, ""},      {4194304, 2097152, ""}, {2097152, 4194304, both},
                 {0, none, zero},  {1, none, ""},  {none, 0, ""},   {none, none, ""}};
    for (const auto& c : cases) {
        SearchRequest request;
        SetKbLimits(request, c.belowKb, c.aboveKb);
        EXPECT_EQ(SizeLimitsDeadEnd(request), c.deadEnd) << c.belowKb.value_or(-1) << " " << c.aboveKb.value_or(-1);
        EXPECT_EQ(AnySizePasses(request), c.deadEnd.empty());
    }
}

TEST(SizeFields, CleaningKeepsDigitsAndCapsTheNumber) {
    EXPECT_EQ(CleanSizeTextOnChange("1a2"), "12");
    EXPECT_EQ(CleanSizeTextOnChange("-3,5"), "35");
    EXPECT_EQ(CleanSizeTextOnChange(""), "");
    EXPECT_EQ(CleanSizeTextOnChange("99999999999"), "2147483647");
    EXPECT_EQ(CleanSizeTextOnChange("2147483647"), "2147483647");
    EXPECT_EQ(CleanSizeTextOnChange("2147483648"), "2147483647");
    EXPECT_EQ(CleanSizeTextOnChange(std::string(40, '9')), "2147483647");
    EXPECT_EQ(CleanSizeTextOnChange("007"), "007");
    EXPECT_EQ(CleanSizeTextOnExit(""), "0");
    EXPECT_EQ(CleanSizeTextOnExit("x"), "0");
    EXPECT_EQ(CleanSizeTextOnExit("4 Kb"), "4");
}

}  // namespace
