// Runs the built kestrinctl as a user would and reads what it prints.
#include "tests/tools/KestrinctlFixture.h"

#include <gtest/gtest.h>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace kestrin {
namespace {

TEST_F(KestrinctlTest, PrintsEveryCableWriteOfAFullApplyAsLowerCaseHex)
{
    const Outcome run = Kestrinctl("reports '" + WriteProfile(*ProfileWithMacro()).string() + "'");
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err, "");
    ASSERT_EQ(run.lines.size(), 9u);
    EXPECT_EQ(run.lines[0], "0c0a01fe01fe00000000");
    EXPECT_EQ(run.lines[1], run.lines[0]);
    EXPECT_EQ(run.lines[2].substr(0, 6), "043801");
    EXPECT_EQ(run.lines[3].substr(0, 6), "050f01");
    EXPECT_EQ(run.lines[4], "06090101fe00000000");
    // The macro: three 64-byte packets of slot 1; the entries start in the first.
    EXPECT_EQ(run.lines[5].substr(0, 8), "09400100");
    // Packet byte 4 on is report byte 3 on: play mode, options, repeat 1, then at report
    // byte 28 the entry count and the entries.
    EXPECT_EQ(run.lines[5].substr(8, 10), "0000000001");
    EXPECT_EQ(run.lines[5].substr(8 + 2 * 25, 14), "03320402038504");
    EXPECT_EQ(run.lines[6].substr(0, 8), "09400101");
    EXPECT_EQ(run.lines[7].substr(0, 8), "09400102");
    EXPECT_EQ(run.lines[8].substr(0, 6), "083b01");
    EXPECT_EQ(run.lines[8].substr(6 + 6 * 3, 6), "120001") << "button 4 plays slot 1";
    for (int i = 5; i <= 7; ++i)
        EXPECT_EQ(run.lines[i].size(), 128u);
    for (const std::string& line : run.lines)
        EXPECT_EQ(line.find_first_not_of("0123456789abcdef"), std::string::npos) << line;
}

TEST_F(KestrinctlTest, MarksTheReceiversThirdPacket)
{
    const Outcome run =
        Kestrinctl("reports '" + WriteProfile(*ProfileWithMacro()).string() + "' --link receiver");
    ASSERT_EQ(run.status, 0) << run.err;
    ASSERT_EQ(run.lines.size(), 9u);
    EXPECT_EQ(run.lines[5].substr(0, 8), "09400100");
    EXPECT_EQ(run.lines[7].substr(0, 8), "090c0102");
}

TEST_F(KestrinctlTest, SendsReportsWholeOverBluetoothWithoutTheReportRate)
{
    const Outcome run =
        Kestrinctl("reports --link ble '" + WriteProfile(*ProfileWithMacro()).string() + "'");
    ASSERT_EQ(run.status, 0) << run.err;
    ASSERT_EQ(run.lines.size(), 6u);
    EXPECT_EQ(run.lines[3].substr(0, 6), "050f01");
    EXPECT_EQ(run.lines[4].substr(0, 6), "098301");
    EXPECT_EQ(run.lines[4].size(), 262u);
    EXPECT_EQ(run.lines[5].substr(0, 6), "083b01");
}

TEST_F(KestrinctlTest, RefusesAFileThatIsNotOneProfileRecord)
{
    const std::vector<char> shorter(sizeof(ProfileRecord) - 1);
    const std::vector<char> longer(sizeof(ProfileRecord) + 1);
    for (const auto* bytes : {&shorter, &longer}) {
        const fs::path path = WriteFile("odd.pro", bytes->data(), bytes->size());
        const Outcome run = Kestrinctl("reports '" + path.string() + "'");
        EXPECT_EQ(run.status, 2);
        EXPECT_EQ(run.out, "");
        EXPECT_NE(run.err.find("not a profile record"), std::string::npos) << run.err;
        EXPECT_NE(run.err.find("41636"), std::string::npos) << run.err;
    }
    const Outcome missing = Kestrinctl("reports '" + (dir / "absent.pro").string() + "'");
    EXPECT_EQ(missing.status, 2);
    EXPECT_NE(missing.err.find("absent.pro"), std::string::npos) << missing.err;
    const Outcome folder = Kestrinctl("reports '" + dir.string() + "'");
    EXPECT_EQ(folder.status, 2);
    EXPECT_NE(folder.err, "");
}

TEST_F(KestrinctlTest, RefusesABadCommandLine)
{
    const std::string file = "'" + WriteProfile(*NewProfileRecord(u"p")).string() + "'";
    const std::vector<std::string> commandLines = {"", "report " + file, "reports",
        "reports " + file + " --link usb", "reports " + file + " --link",
        "reports " + file + " " + file, "reports " + file + " --fast"};
    for (const std::string& args : commandLines) {
        const Outcome run = Kestrinctl(args);
        EXPECT_EQ(run.status, 2) << args;
        EXPECT_EQ(run.out, "") << args;
        EXPECT_NE(run.err.find("kestrinctl: "), std::string::npos) << args;
    }
}

TEST_F(KestrinctlTest, ExplainsItselfOnHelp)
{
    const Outcome run = Kestrinctl("--help");
    EXPECT_EQ(run.status, 0);
    EXPECT_NE(
        run.out.find("kestrinctl reports FILE.pro [--link cable|receiver|ble]"), std::string::npos);
    EXPECT_EQ(run.err, "");
}

TEST_F(KestrinctlStoreTest, ImportListAndExportWorkTheDataFolderAsTheWindowDoes)
{
    const fs::path file = WriteProfile(*ProfileWithMacro()); // named Profile1, with a macro
    Outcome run = Store("import " + Quoted(file));
    ASSERT_EQ(run.status, 0) << run.err;
    // The store was made as at a first start, with a Profile1 of its own: the import takes the
    // next free name, and its macro goes into the library.
    EXPECT_EQ(run.out, "imported as 'Profile1_1' with 1 macro(s) added to the library\n");
    EXPECT_TRUE(fs::exists(data / "ms_1" / "macro.data"));

    run = Store("list");
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.lines, (std::vector<std::string>{"* Profile1", "  Profile1_1"}));
    run = Store("list --json");
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out,
        "[\n  {\"name\": \"Profile1\", \"current\": true},\n"
        "  {\"name\": \"Profile1_1\", \"current\": false}\n]\n");

    const fs::path exported = dir / "out.pro";
    run = Store("export PROFILE1_1 " + Quoted(exported)); // names compare as the window's do
    ASSERT_EQ(run.status, 0) << run.err;
    ASSERT_EQ(fs::file_size(exported), sizeof(ProfileRecord));
    // What reaches the mouse is the same profile as before the round trip.
    EXPECT_EQ(
        Kestrinctl("reports " + Quoted(exported)).out, Kestrinctl("reports " + Quoted(file)).out);

    // A store that exists takes further imports (it was once refused as "damaged").
    run = Store("import " + Quoted(exported));
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(Store("list").lines.size(), 3u);
}

TEST_F(KestrinctlStoreTest, SaysWhatIsWrongWithExitOneForFilesAndTwoForTheCommandLine)
{
    Outcome run = Store("list");
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("Kestrin makes them when it first starts"), std::string::npos)
        << run.err;
    EXPECT_FALSE(fs::exists(data / "ms_1" / "pro.data")) << "listing makes nothing";

    ASSERT_EQ(Store("import " + Quoted(WriteProfile(*ProfileWithMacro()))).status, 0);
    const std::string before = ReadText(data / "ms_1" / "pro.data");
    const std::vector<char> shorter(sizeof(ProfileRecord) - 1);
    run = Store("import " + Quoted(WriteFile("short.pro", shorter.data(), shorter.size())));
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("is not a profile file"), std::string::npos) << run.err;
    run = Store("export Nobody " + Quoted(dir / "x.pro"));
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("no profile named 'Nobody'"), std::string::npos) << run.err;
    EXPECT_FALSE(fs::exists(dir / "x.pro"));
    EXPECT_EQ(ReadText(data / "ms_1" / "pro.data"), before) << "nothing changed";

    for (const char* bad : {"list extra", "export onlyone", "import a.pro b.pro",
             "export a b --json", "list --frobnicate"})
        EXPECT_EQ(Store(bad).status, 2) << bad;
    run = Kestrinctl("list --data '" + (dir / "no-such-folder").string() + "'");
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.err.find("no data folder"), std::string::npos) << run.err;
    EXPECT_FALSE(fs::exists(dir / "no-such-folder"));
}

TEST_F(KestrinctlStoreTest, AnImportWhileTheProgramRunsIsRefusedAndChangesNothing)
{
    ASSERT_EQ(Store("import " + Quoted(WriteProfile(*ProfileWithMacro()))).status, 0);
    const std::string before = ReadText(data / "ms_1" / "pro.data");
    // The program's instance socket, answering.
    const std::string path =
        (dir / "runtime" / ("VELTRA Kestrin-" + std::to_string(::getuid()))).string();
    const int server = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    path.copy(address.sun_path, sizeof address.sun_path - 1);
    ASSERT_EQ(::bind(server, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(::listen(server, 4), 0);

    const Outcome run = Store("import " + Quoted(WriteProfile(*ProfileWithMacro())));
    ::close(server);
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("Kestrin is running"), std::string::npos) << run.err;
    EXPECT_EQ(ReadText(data / "ms_1" / "pro.data"), before);
}

// A stand-in for the running program's instance socket that keeps every byte it is sent.
class FakeProgram {
public:
    explicit FakeProgram(const fs::path& runtime)
    {
        const std::string path = (runtime / ("VELTRA Kestrin-" + std::to_string(::getuid())));
        server_ = ::socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        path.copy(address.sun_path, sizeof address.sun_path - 1);
        bound_ = ::bind(server_, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
            ::listen(server_, 4) == 0;
        thread_ = std::thread([this] {
            for (int client; (client = ::accept(server_, nullptr, nullptr)) >= 0;) {
                char buffer[256];
                for (ssize_t got; (got = ::recv(client, buffer, sizeof buffer, 0)) > 0;) {
                    std::lock_guard lock(mutex_);
                    received_.append(buffer, static_cast<std::size_t>(got));
                }
                ::close(client);
            }
        });
    }
    ~FakeProgram()
    {
        ::shutdown(server_, SHUT_RDWR);
        ::close(server_);
        thread_.join();
    }
    bool Bound() const { return bound_; }
    // Once the tool has ended and its connections are closed.
    std::string Received()
    {
        std::lock_guard lock(mutex_);
        return received_;
    }

private:
    int server_ = -1;
    bool bound_ = false;
    std::mutex mutex_;
    std::string received_;
    std::thread thread_;
};

TEST_F(KestrinctlStoreTest, WhileTheProgramRunsNothingIsAskedOfItThatItCouldMistake)
{
    ASSERT_EQ(Store("import " + Quoted(WriteProfile(*ProfileWithMacro()))).status, 0);
    std::string received;
    {
        FakeProgram program(dir / "runtime");
        ASSERT_TRUE(program.Bound());
        // It works its own data folder: another one is refused before anything is sent.
        Outcome run = Store("use Profile1");
        EXPECT_EQ(run.status, 2);
        EXPECT_NE(run.err.find("leave out --data"), std::string::npos) << run.err;
        // A name is one line of the socket's protocol, never two commands.
        run = Kestrinctl("use 'Profile1\nmenu exit'");
        EXPECT_EQ(run.status, 1);
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        received = program.Received();
    }
    EXPECT_EQ(received, "");
}

TEST_F(KestrinctlStoreTest, ShowTellsEverySettingInTheWindowsWords)
{
    ::setenv("XKB_DEFAULT_LAYOUT", "us", 1); // key names as this layout gives them
    auto profile = ProfileWithMacro();       // its macro on button 4
    WriteName(profile->name, u"Arena");
    WriteName(profile->buttons[3].assignedName, u"Burst");
    profile->buttons[2].functionCode = kFunctionKeyShortcut;
    profile->buttons[2].shortcutModifiers = kModifierCtrl | kModifierShift;
    profile->buttons[2].shortcutKey = 0x04; // A
    profile->buttons[5].functionCode = 52;  // a code the window has no name for
    profile->dpiX[1] = 32;
    profile->dpiY[1] = 16;
    profile->stageColor[0] = {0x12, 0x34, 0xab, 0};
    profile->stageEnabled[7] = 0;
    profile->reportRate = 1;
    profile->bleLightingMode = 2;
    profile->lightOffTimer = 5;
    ASSERT_EQ(Store("import " + Quoted(WriteProfile(*profile))).status, 0);

    Outcome run = Store("show arena");
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.lines.at(0), "Arena");
    for (const char* line : {"  1  800 DPI  #1234ab", "* 2  1600 x 800 DPI", "(off)",
             "Report rate: 250 Hz · one report every 4 ms", "Effect over Bluetooth: Breathing",
             "Lights off after 2.5 min", "   3  Wheel click: Ctrl+Shift+A",
             "   4  Button 4: Macro: Burst", "   6  Button 6: function 52",
             "  17  Wheel down: Scroll down"})
        EXPECT_TRUE(Has(run, line)) << line << "\n" << run.out;
    EXPECT_EQ(Store("show").lines.at(0), "Profile1 (current)");

    run = Store("show Arena --json");
    ASSERT_EQ(run.status, 0) << run.err;
    for (const char* field :
        {"\"current\": false", "\"dpi_x\": 1600, \"dpi_y\": 800", "\"report_rate_hz\": 250",
            "\"ble_mode\": \"Breathing\"", "\"lights_off_minutes\": 2.5",
            "\"code\": 16, \"function\": \"Ctrl+Shift+A\"", "\"function\": \"Macro: Burst\""})
        EXPECT_TRUE(Has(run, field)) << field << "\n" << run.out;

    run = Store("show Nobody");
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("no profile named 'Nobody'"), std::string::npos) << run.err;
    for (const char* bad :
        {"show a b", "use", "use a b", "apply now", "status x", "use a --json", "apply --json"})
        EXPECT_EQ(Store(bad).status, 2) << bad;
}

TEST_F(KestrinctlStoreTest, SpeaksTheDesktopsLanguageButWritesJsonAlike)
{
    ::setenv("XKB_DEFAULT_LAYOUT", "us", 1);
    ASSERT_EQ(Store("import " + Quoted(WriteProfile(*ProfileWithMacro()))).status, 0);
    const Outcome json = Store("show --json");
    ::setenv("LANG", "de_DE.UTF-8", 1);
    Outcome run = Store("show");
    EXPECT_EQ(run.lines.at(0), "Profile1 (aktiv)");
    EXPECT_TRUE(Has(run, "Abfragerate: 1000 Hz")) << run.out;
    EXPECT_TRUE(Has(run, "   6  Taste 6: Funktion 52")) << run.out;
    EXPECT_EQ(Store("show --json").out, json.out);
    run = Store("use Nobody");
    EXPECT_EQ(run.err, "kestrinctl: kein Profil namens „Nobody“ (kestrinctl list zeigt sie)\n");

    // LANGUAGE comes first, but not over a C locale; a language without a file is English.
    ::setenv("LANGUAGE", "ja:fr", 1);
    EXPECT_EQ(Store("show").lines.at(0), "Profile1 (actif)");
    ::setenv("LC_ALL", "C", 1);
    EXPECT_EQ(Store("show").lines.at(0), "Profile1 (current)");
    ::unsetenv("LC_ALL");
    ::setenv("LANGUAGE", "ja", 1);
    EXPECT_EQ(Store("show").lines.at(0), "Profile1 (current)");
}

TEST_F(KestrinctlMouseTest, UseSendsWhatReportsPrintsOverTheCableAndKeepsTheChoice)
{
    StartMouse(vmouse::Link::Cable);
    Outcome run = Ctl("use profile1_1");
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "'Profile1_1' is the current profile, and on the mouse\n");
    EXPECT_EQ(Logged("cable"), Reports("Profile1_1", "cable"));
    EXPECT_EQ(Ctl("list").lines, (std::vector<std::string>{"  Profile1", "* Profile1_1"}));

    run = Ctl("status --json");
    ASSERT_EQ(run.status, 0) << run.err;
    for (const char* field : {"\"running\": false", "\"links\": [\"cable\"]", "\"charging\": true",
             "\"profile\": \"Profile1_1\"", "\"stage\": 2", "\"dpi\": 1200"})
        EXPECT_TRUE(Has(run, field)) << field << "\n" << run.out;
}

TEST_F(KestrinctlMouseTest, ThroughTheReceiverTheMouseIsWaitedForAndEveryReportAcknowledged)
{
    StartMouse(vmouse::Link::Receiver);
    const Outcome run = Ctl("apply");
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "'Profile1' is on the mouse\n");
    EXPECT_EQ(Logged("receiver"), Reports("Profile1", "receiver"))
        << "each report once: the mouse acknowledged every first attempt";
    const Outcome status = Ctl("status");
    EXPECT_TRUE(Has(status, "Links:    receiver")) << status.out;
    EXPECT_TRUE(Has(status, "Battery:  80 %")) << status.out;
}

TEST_F(KestrinctlMouseTest, WithoutAMouseUseKeepsTheChoiceAndApplyFails)
{
    Outcome run = Ctl("use Profile1_1");
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_TRUE(Has(run, "no mouse is connected")) << run.out;
    EXPECT_EQ(Ctl("list").lines.at(1), "* Profile1_1");
    run = Ctl("apply");
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("no mouse is connected"), std::string::npos) << run.err;
    run = Ctl("status");
    EXPECT_TRUE(Has(run, "Links:    none")) << run.out;
    EXPECT_TRUE(Has(run, "Profile:  Profile1_1")) << run.out;
}

} // namespace
} // namespace kestrin
