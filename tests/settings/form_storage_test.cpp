#include "platform/ansi_text.h"
#include "platform/number_text.h"
#include "settings/form_storage.h"
#include "settings/main_window_settings.h"
#include "tests/settings/form_storage_fixture.h"
#include "tests/support/temp_directory.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <filesystem>
#include <map>
#include <stdexcept>

namespace zorva::settings {
namespace {

using ::testing::ElementsAre;
using testing::readBytes;
using testing::TempDirectory;
using testing::writeBytes;

const std::filesystem::path fixtures = ZORVA_SETTINGS_FIXTURES;

using test::FormStorageTest;
using test::sectorNames;
using test::StandInMainWindow;

TEST_F(FormStorageTest, FirstStartShowsDefaultsAndCloseWritesTheSeventeenLines) {
    StandInMainWindow w(iniPath());
    w.form.notifyShow();
    EXPECT_TRUE(w.storage.restored());
    EXPECT_EQ(w.cardType, 1);
    EXPECT_EQ(w.autorunClicks, 0);
    EXPECT_TRUE(w.form.queryClose());
    EXPECT_TRUE(w.storage.saved());
    EXPECT_EQ(readBytes(iniPath()), readBytes(fixtures / "first_save.ini"));
}

TEST_F(FormStorageTest, OperatorValuesAreTrimmedQuotedAndReadBack) {
    {
        StandInMainWindow w(iniPath());
        w.form.notifyShow();
        w.cardType = -1;
        w.code = {" 'ab cd' ", "\"EF\"", "  12\t", "\""};
        w.sectorText["GenelSektor1"] = "-7";
        w.sectorText["KNKSektor1"] = "abc"; // no number: saved as 0
        w.port = 5050;
        w.autorun = w.autoHide = true;
        w.form.queryClose();
        w.form.notifyDestroy();
        EXPECT_THAT(w.errors, ::testing::IsEmpty());
    }
    EXPECT_EQ(readBytes(iniPath()), readBytes(fixtures / "operator_values.ini"));

    StandInMainWindow next(iniPath());
    next.form.notifyShow();
    EXPECT_EQ(next.cardType, -1);
    EXPECT_THAT(next.code, ElementsAre("'ab cd'", "\"EF\"", "12", "\""));
    EXPECT_EQ(next.sectorText["GenelSektor1"], "-7");
    EXPECT_EQ(next.sectorText["KNKSektor1"], "0");
    EXPECT_EQ(next.port, 5050);
    EXPECT_TRUE(next.autorun);
    EXPECT_TRUE(next.autoHide);
    EXPECT_EQ(next.autorunClicks, 1); // ticked by the restore, as by a click
}

TEST_F(FormStorageTest, UnicodeSettingsFileRestoresAndStaysUnicode) {
    std::string ansi;
    {
        StandInMainWindow w(iniPath());
        w.form.notifyShow();
        w.code[0] = platform::utf8ToAnsi("Şifre");
        w.form.queryClose();
        ansi = readBytes(iniPath());
    }
    const std::u16string comment = u"; 中文\r\n";
    writeBytes(iniPath(), testing::utf16File(comment + platform::ansiToUtf16(ansi)));

    StandInMainWindow w(iniPath());
    w.form.notifyShow();
    EXPECT_EQ(w.code[0], platform::utf8ToAnsi("Şifre"));
    w.cardType = 4;
    w.form.queryClose();
    const std::string line = "ComboBoxEMD_KartTipi_ItemIndex=";
    ansi.replace(ansi.find(line + "1"), line.size() + 1, line + "4");
    EXPECT_EQ(readBytes(iniPath()), testing::utf16File(comment + platform::ansiToUtf16(ansi)));
}

TEST_F(FormStorageTest, RestoreConvertsByKind) {
    const struct {
        const char* line;
        std::int32_t cardType;
        const char* sector; // SpinEdit_EMD_GKKSektor
        bool autorun;
        int clicks;
    } cases[] = {
        {"ComboBoxEMD_KartTipi_ItemIndex=9", -1, "0", false, 0},
        {"ComboBoxEMD_KartTipi_ItemIndex=abc", 0, "0", false, 0},
        {"ComboBoxEMD_KartTipi_ItemIndex= 3 ", 3, "0", false, 0},
        {"ComboBoxEMD_KartTipi_ItemIndex=", 0, "0", false, 0},
        {"SpinEdit_EMD_GKKSektor_Value=$10", 1, "16", false, 0},
        {"SpinEdit_EMD_GKKSektor_Value=0x1F", 1, "31", false, 0},
        {"SpinEdit_EMD_GKKSektor_Value=X1f", 1, "31", false, 0},
        {"SpinEdit_EMD_GKKSektor_Value=+12", 1, "12", false, 0},
        {"SpinEdit_EMD_GKKSektor_Value=-2147483648", 1, "-2147483648", false, 0},
        {"SpinEdit_EMD_GKKSektor_Value=2147483648", 1, "0", false, 0},
        {"SpinEdit_EMD_GKKSektor_Value=1 2", 1, "0", false, 0},
        {"CheckBoxWAcilis_Checked=TRUE", 1, "0", true, 1},
        {"CheckBoxWAcilis_Checked=tRuE", 1, "0", true, 1},
        {"CheckBoxWAcilis_Checked=yes", 1, "0", false, 0},
        {"CheckBoxWAcilis_Checked=1", 1, "0", false, 0},
        {"CheckBoxWAcilis_Checked=false", 1, "0", false, 0},
    };
    for (const auto& c : cases) {
        writeBytes(iniPath(), std::string("[TAnaF]\r\n") + c.line + "\r\n");
        StandInMainWindow w(iniPath());
        w.form.notifyShow();
        EXPECT_EQ(w.cardType, c.cardType) << c.line;
        EXPECT_EQ(w.sectorText["GKKSektor"], c.sector) << c.line;
        EXPECT_EQ(w.autorun, c.autorun) << c.line;
        EXPECT_EQ(w.autorunClicks, c.clicks) << c.line;
    }
}

TEST_F(FormStorageTest, AStoredPortThatIsNoIntegerKeepsTheEditsValue) {
    const struct {
        const char* stored;
        double port;
    } cases[] = {
        {"4442abc", 4040}, {"", 4040},    {"4442.5", 4040}, {"4442,5", 4040},
        {"5050", 5050},    {" $10 ", 16}, {"0", 0},
    };
    for (const auto& c : cases) {
        writeBytes(iniPath(), std::string("[TAnaF]\r\nComboBoxEMD_KartTipi_ItemIndex=abc\r\n"
                                          "CurrencyEditUDP_Value=") +
                                  c.stored + "\r\n");
        StandInMainWindow w(iniPath());
        w.form.notifyShow();
        EXPECT_EQ(w.port, c.port) << c.stored;
        EXPECT_EQ(w.cardType, 0) << "every other integer still becomes 0";
    }
}

TEST_F(FormStorageTest, MissingKeysKeepTheControlsTrimmed) {
    writeBytes(iniPath(), "[Other]\r\nEditZorvakilt_EMD_R1_Text=elsewhere\r\n[TAnaF]\r\n");
    StandInMainWindow w(iniPath());
    w.code = {"  keep ", "'q'", "", "x"};
    w.sectorText["KulSektor1"] = "junk";
    w.form.notifyShow();
    EXPECT_THAT(w.code, ElementsAre("keep", "'q'", "", "x"));
    EXPECT_EQ(w.sectorText["KulSektor1"], "0");
}

TEST_F(FormStorageTest, EveryShowingRestoresAgain) {
    writeBytes(iniPath(), "[TAnaF]\r\nEditZorvakilt_EMD_R1_Text=ABCD\r\n");
    StandInMainWindow w(iniPath());
    w.form.notifyShow();
    w.code[0] = "WXYZ"; // changed and applied, then the window is hidden and shown again
    w.form.notifyShow();
    EXPECT_EQ(w.code[0], "ABCD");
}

TEST_F(FormStorageTest, FileVersionBelowTheStorageVersionRestoresNothing) {
    const struct {
        const char* version;
        std::int32_t storageVersion;
        bool restores;
    } cases[] = {
        {"-1", 0, false}, {"0", 0, true}, {"abc", 0, true}, {"1", 2, false}, {"3", 2, true},
    };
    for (const auto& c : cases) {
        writeBytes(iniPath(), std::string("[TAnaF]\r\nFormVersion=") + c.version +
                                  "\r\nComboBoxEMD_KartTipi_ItemIndex=4\r\n");
        StandInMainWindow w(iniPath());
        w.storage.setVersion(c.storageVersion);
        w.form.notifyShow();
        EXPECT_TRUE(w.storage.restored());
        EXPECT_EQ(w.cardType, c.restores ? 4 : 1) << c.version;
    }
}

TEST_F(FormStorageTest, NegativeVersionIsRepairedByTheNextSave) {
    writeBytes(iniPath(), "[TAnaF]\r\nFormVersion=-1\r\nComboBoxEMD_KartTipi_ItemIndex=4\r\n");
    StandInMainWindow w(iniPath());
    w.form.notifyShow();
    w.form.queryClose();
    const std::string text = readBytes(iniPath());
    EXPECT_TRUE(
        text.starts_with("[TAnaF]\r\nFormVersion=0\r\nComboBoxEMD_KartTipi_ItemIndex=1\r\n"))
        << text;
}

TEST_F(FormStorageTest, FailingClickHandlerDoesNotStopTheRestore) {
    writeBytes(iniPath(),
               "[TAnaF]\r\nCheckBoxWAcilis_Checked=True\r\nCurrencyEditUDP_Value=6000\r\n"
               "CheckBoxAutoGizle_Checked=True\r\n");
    StandInMainWindow w(iniPath());
    w.clickFails = true;
    w.form.notifyShow();
    EXPECT_EQ(w.autorunClicks, 1);
    EXPECT_EQ(w.port, 6000);
    EXPECT_TRUE(w.autoHide);
    EXPECT_THAT(w.errors, ::testing::IsEmpty());
}

TEST_F(FormStorageTest, SaveReplacesKeysInPlaceAndKeepsEverythingElse) {
    writeBytes(iniPath(), "[Other]\r\na=1\r\n"
                          "[tanaf]\r\n"
                          "checkboxwacilis_checked = True\r\n"
                          "; the operator's note\r\n"
                          "Foreign=kept\r\n"
                          "CurrencyEditUDP_Value=4040\r\n");
    StandInMainWindow w(iniPath(), {"CheckBoxWAcilis.Checked", "ComboBoxEMD_KartTipi.ItemIndex",
                                    "CurrencyEditUDP.Value"});
    w.form.notifyShow();
    w.autorun = false;
    w.form.queryClose();
    EXPECT_EQ(readBytes(iniPath()), "[Other]\r\na=1\r\n"
                                    "[tanaf]\r\n"
                                    "checkboxwacilis_checked=False\r\n"
                                    "; the operator's note\r\n"
                                    "Foreign=kept\r\n"
                                    "CurrencyEditUDP_Value=4040\r\n"
                                    "FormVersion=0\r\n"
                                    "ComboBoxEMD_KartTipi_ItemIndex=1\r\n");
}

TEST_F(FormStorageTest, BindingKeepsOnlyEntriesWithAComponent) {
    StandInMainWindow w(iniPath(),
                        {" comboboxemd_kartTipi . itemindex ", "NoDot", ".Text",
                         "EditZorvakilt_EMD_R1.", "Missing.Text",
                         "EditZorvakilt_EMD_R1.NoSuchProperty", "CheckBoxWAcilis.Checked"});
    EXPECT_THAT(w.storage.StoredProps(),
                ElementsAre(" comboboxemd_kartTipi . itemindex ",
                            "EditZorvakilt_EMD_R1.NoSuchProperty", "CheckBoxWAcilis.Checked"));
    w.form.notifyShow();
    w.form.queryClose();
    // Keys are named as the component and the property name themselves.
    EXPECT_EQ(readBytes(iniPath()),
              "[TAnaF]\r\nFormVersion=0\r\nComboBoxEMD_KartTipi_ItemIndex=1\r\n"
              "CheckBoxWAcilis_Checked=False\r\n");
}

TEST_F(FormStorageTest, NamedSectionIsUsedInsteadOfTheClassName) {
    StandInMainWindow w(iniPath(), {"CheckBoxAutoGizle.Checked"});
    w.storage.setIniSection("Custom");
    w.form.notifyShow();
    w.form.queryClose();
    EXPECT_EQ(readBytes(iniPath()),
              "[Custom]\r\nFormVersion=0\r\nCheckBoxAutoGizle_Checked=False\r\n");
}

TEST_F(FormStorageTest, NothingIsSavedBeforeTheFirstRestore) {
    StandInMainWindow w(iniPath());
    EXPECT_TRUE(w.form.queryClose());
    w.form.notifyDestroy();
    EXPECT_FALSE(std::filesystem::exists(iniPath()));
    EXPECT_FALSE(w.storage.saved());
}

TEST_F(FormStorageTest, DestructionSavesOnlyWhatTheCloseDidNotSave) {
    StandInMainWindow w(iniPath());
    w.form.notifyShow();
    w.form.queryClose();
    std::filesystem::remove(iniPath());
    w.form.notifyDestroy();
    EXPECT_FALSE(std::filesystem::exists(iniPath()));

    StandInMainWindow shownOnly(iniPath());
    bool destroyingDuringSave = false;
    shownOnly.form.add("Spy").addProperty(Property::integer(
        "Value",
        [&] {
            destroyingDuringSave = shownOnly.storage.destroying();
            return 0;
        },
        [](std::int32_t) {}));
    shownOnly.storage.setStoredProps({"Spy.Value"});
    shownOnly.form.notifyShow();
    shownOnly.form.notifyDestroy();
    EXPECT_TRUE(destroyingDuringSave);
    EXPECT_FALSE(shownOnly.storage.destroying());
    EXPECT_EQ(readBytes(iniPath()), "[TAnaF]\r\nFormVersion=0\r\nSpy_Value=0\r\n");
}

TEST_F(FormStorageTest, DisplacedWindowHandlersStillRun) {
    ComponentRegistry form("AnaF", "TAnaF");
    std::string code;
    form.add("EditZorvakilt_EMD_R1")
        .addProperty(Property::text(
            "Text", [&] { return code; }, [&](const std::string& t) { code = t; }));
    std::vector<std::string> calls;
    form.onShow = [&] { calls.push_back("show sees " + code); };
    form.onCloseQuery = [&](bool& canClose) {
        calls.push_back("close query");
        canClose = false;
    };
    form.onDestroy = [&] { calls.push_back("destroy"); };
    writeBytes(iniPath(), "[TAnaF]\r\nEditZorvakilt_EMD_R1_Text=ABCD\r\n");
    auto& storage = form.add<FormStorage>("JvFormStorage1");
    storage.setIniFileName(iniPath());
    storage.setStoredProps({"EditZorvakilt_EMD_R1.Text"});
    storage.loaded();
    form.notifyShow();
    EXPECT_FALSE(form.queryClose()); // the window refused: no save
    EXPECT_EQ(readBytes(iniPath()), "[TAnaF]\r\nEditZorvakilt_EMD_R1_Text=ABCD\r\n");
    form.notifyDestroy(); // not saved yet, so destruction saves
    EXPECT_THAT(calls, ElementsAre("show sees ABCD", "close query", "destroy"));
    EXPECT_EQ(readBytes(iniPath()),
              "[TAnaF]\r\nEditZorvakilt_EMD_R1_Text=ABCD\r\nFormVersion=0\r\n");
}

TEST_F(FormStorageTest, InactiveStorageNeitherRestoresNorSaves) {
    writeBytes(iniPath(), "[TAnaF]\r\nComboBoxEMD_KartTipi_ItemIndex=4\r\n");
    StandInMainWindow w(iniPath());
    w.storage.setActive(false);
    w.form.notifyShow();
    EXPECT_EQ(w.cardType, 1);
    w.form.queryClose();
    w.form.notifyDestroy();
    EXPECT_EQ(readBytes(iniPath()), "[TAnaF]\r\nComboBoxEMD_KartTipi_ItemIndex=4\r\n");
}

} // namespace
} // namespace zorva::settings
