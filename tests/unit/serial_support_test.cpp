#include <gtest/gtest.h>

#include "fakes.h"
#include "runtime/elevated_copy.h"
#include "runtime/serial_support.h"

namespace {

const std::wstring kHome = LR"(C:\Program Files\Java\jre6)";
const std::wstring kCopyFailed = L"Error While Copying JAR File";
const std::wstring kElevation =
    LR"(C:\Apps\Gateway\TarvexAdvanceSMSServer.exe "/InstallSerialSupport:C:\Program Files\Java\jre6" for 60000 ms)";
const std::wstring kUnfinished =
    L"The support files were not installed: the step that copies them with administrator rights did not finish "
    L"within a minute.";
const std::wstring kLost =
    L"The support files may not have been installed: the step that copies them with administrator rights started, "
    L"but waiting for it to end failed.";
const std::wstring kNotProtected =
    LR"(The support files in C:\tarvex\GsmModemJar were not installed: users other than administrators can )"
    L"change that folder, a folder above it or a file in it. An administrator should run this command once, then "
    L"start the program again:\r\n\r\n"
    LR"(icacls C:\tarvex /inheritance:r /grant:r "*S-1-5-32-544:(OI)(CI)F" "*S-1-5-18:(OI)(CI)F" )"
    LR"("*S-1-5-32-545:(OI)(CI)RX")";
const std::wstring kSourceLink =
    LR"(The support files in C:\tarvex\GsmModemJar were not installed: that folder, a folder above it or a file )"
    L"in it is a link. An administrator should put the real folder or file in its place, then start the program "
    L"again.";
const std::wstring kDestinationLink =
    L"The support files were not installed: a folder on the way to the Java runtime's bin or lib folder is a "
    L"link. An administrator should put the real folder in its place, then start the program again.";

TEST(SerialSupport, FirstFailureIsReportedTwiceUnlessAnElevatedRunCopiesInstead) {
    const auto exits = [](std::uint32_t code) { return [=] { return ElevatedRun{RunEnd::Exited, code}; }; };
    const auto declined = []() -> ElevatedRun {
        throw AppError{-2147023673, L"The operation was canceled by the user", 1223};
    };
    const auto stalls = [] { return ElevatedRun{RunEnd::StillRunning}; };
    const auto lost = [] { return ElevatedRun{RunEnd::WaitFailed}; };
    const std::vector<std::wstring> badName = {L"Bad file name or number", kCopyFailed};
    struct Case {
        const char* What;
        std::wstring Home = kHome;
        std::uint32_t RefusedCode = 5;  // moving Win32com.dll into bin: 5 no rights, 32 in use
        std::function<ElevatedRun()> Elevated = [] { return ElevatedRun{}; };  // exits with 0
        std::vector<std::wstring> Elevations = {kElevation};
        std::vector<std::wstring> Boxes;
        std::size_t Copies = 2;  // Win32com.dll refused, jdc.jar abandoned
    };
    const Case cases[] = {
        {.What = "in use", .RefusedCode = 32, .Elevations = {}, .Boxes = {L"Permission denied", kCopyFailed}},
        {.What = "read-only, copied elevated"},
        {.What = "read-only, elevation declined", .Elevated = declined, .Boxes = {L"Permission denied", kCopyFailed}},
        {.What = "read-only, elevated run failed", .Elevated = exits(53), .Boxes = {L"File not found", kCopyFailed}},
        {.What = "read-only, elevated run found a link", .Elevated = exits(1004), .Boxes = {kSourceLink, kCopyFailed}},
        {.What = "elevated run's system error",
         .Elevated = exits(0x80070020),
         .Boxes = {L"System message 32", kCopyFailed}},
        {.What = "elevated run's unknown code", .Elevated = exits(1), .Boxes = {L"System error 1", kCopyFailed}},
        {.What = "elevated run crashed",
         .Elevated = exits(0xC0000005),
         .Boxes = {L"System error 3221225477", kCopyFailed}},
        {.What = "read-only, elevated run still going", .Elevated = stalls, .Boxes = {kUnfinished, kCopyFailed}},
        {.What = "read-only, the wait for the elevated run failed", .Elevated = lost, .Boxes = {kLost, kCopyFailed}},
        // Folders not copied into at all: walked from no root, leading out
        // of themselves, or naming no folder.
        {.What = "a quote in the runtime folder",
         .Home = LR"(C:\jre"6)",
         .Elevations = {},
         .Boxes = badName,
         .Copies = 0},
        {.What = "a relative runtime folder", .Home = L"jre6", .Elevations = {}, .Boxes = badName, .Copies = 0},
        {.What = "dots in the folder", .Home = LR"(C:\Java\..\jre6)", .Elevations = {}, .Boxes = badName, .Copies = 0},
    };
    for (const Case& c : cases) {
        FakeMachine machine;
        machine.AddSource();
        machine.AddRuntimeFolders(c.Home, true);
        machine.Files.Refused[c.Home + L"\\bin\\Win32com.dll"] = c.RefusedCode;
        machine.Processes.Elevated = c.Elevated;
        InstallSerialSupport(c.Home, machine.Seams);
        EXPECT_EQ(machine.Events(L"create ").size(), c.Copies) << c.What;
        EXPECT_EQ(machine.Events(L"elevate "), c.Elevations) << c.What;
        EXPECT_EQ(machine.Events(L"message "), c.Boxes) << c.What;
        EXPECT_FALSE(machine.Files.Files.contains(c.Home + L"\\Win32com.dll.1.partial")) << c.What;
    }
}

TEST(SerialSupport, ElevatedRunTakesOnlyItsOwnArgumentAndOnlyTheChosenRuntime) {
    const std::wstring flag = L"/InstallSerialSupport:";
    struct Case {
        std::vector<std::wstring> Arguments;
        std::optional<std::int32_t> ExitCode;  // none: runs as without arguments
        std::size_t Copies = 0;
        std::string Chosen = R"(C:\Program Files\Java\jre6)";  // JavaHome of 1.6, the first new enough
    };
    const Case cases[] = {
        {.Arguments = {flag + kHome}, .ExitCode = 0, .Copies = 4},
        {.Arguments = {}, .ExitCode = std::nullopt},
        {.Arguments = {L"extra"}, .ExitCode = std::nullopt},
        // Malformed: refused at once, never run as a whole launcher.
        {.Arguments = {flag}, .ExitCode = 5},
        {.Arguments = {flag + L"jre6"}, .ExitCode = 5},
        {.Arguments = {flag + L"C:jre6"}, .ExitCode = 5},
        {.Arguments = {flag + L"\\\\server\\java\\jre6"}, .ExitCode = 5},
        {.Arguments = {flag + L"@:\\jre6"}, .ExitCode = 5},
        {.Arguments = {flag + L"{:\\jre6"}, .ExitCode = 5},
        {.Arguments = {flag + kHome, L"extra"}, .ExitCode = 5},
        {.Arguments = {L"/installserialsupport:" + kHome}, .ExitCode = 5},
        // Well formed, but not the runtime the launcher uses.
        {.Arguments = {flag + L"C:\\Java\\jre4"}, .ExitCode = 1002},  // registered, too old
        {.Arguments = {flag + L"C:\\Java\\jre7"}, .ExitCode = 1002},  // registered after the chosen one
        {.Arguments = {flag + L"C:\\"}, .ExitCode = 1002},
        {.Arguments = {flag + L"A:\\jre6"}, .ExitCode = 1002},
        {.Arguments = {flag + L"z:\\jre6"}, .ExitCode = 1002},
        {.Arguments = {flag + L"C:\\Java\\..\\jre7"},
         .ExitCode = 1002,
         .Chosen = R"(C:\Java\..\jre7)"},  // chosen and there, but leads elsewhere
        {.Arguments = {flag + L"C:\\Java\\gone"},
         .ExitCode = 1002,
         .Chosen = R"(C:\Java\gone)"},  // chosen, but not there
        {.Arguments = {flag + L"C:\\Java\\jre\t6"},
         .ExitCode = 1002,
         .Chosen = "C:\\Java\\jre\t6"},  // no folder has such a name
        {.Arguments = {flag + L"C:\\Java\\jre7"},
         .ExitCode = 0,
         .Copies = 4,
         .Chosen = R"(C:\Java\gone)"},  // the first is gone: the next is chosen
    };
    for (const Case& c : cases) {
        FakeMachine machine;
        machine.AddSource();
        machine.AddRuntime("1.4", R"(C:\Java\jre4)");
        machine.AddRuntime("1.6", c.Chosen);
        machine.AddRuntime("1.7", R"(C:\Java\jre7)");
        for (const wchar_t* home :
             {kHome.c_str(), LR"(C:\Java\jre4)", LR"(C:\Java\..\jre7)", LR"(C:\Java\jre7)", L"C:\\Java\\jre\t6"}) {
            machine.AddRuntimeFolders(home, true);
        }
        const std::optional<std::wstring> folder = SerialSupportFolderIn(c.Arguments);
        const std::optional<std::int32_t> exitCode =
            folder ? std::optional(RunSerialSupportInstaller(*folder, machine.Registry, machine.Files)) : std::nullopt;
        const std::wstring situation = c.Arguments.empty() ? L"no arguments" : c.Arguments.back();
        EXPECT_EQ(exitCode, c.ExitCode) << situation;
        EXPECT_EQ(machine.Events(L"create ").size(), c.Copies) << situation;
        EXPECT_TRUE(machine.Files.Held.empty()) << situation;
    }
    FakeMachine unreadable;  // the chosen version has no JavaHome to compare with
    unreadable.Registry.SetValue(kHkeyLocalMachine, std::string(kRuntimeKeyAnsi) + "\\1.6", "Home", kRegSz, "x");
    unreadable.AddRuntimeFolders(kHome, true);
    EXPECT_EQ(RunSerialSupportInstaller(kHome, unreadable.Registry, unreadable.Files), 1002);
    // Backslashes before the closing quote are doubled, or they would escape it.
    EXPECT_EQ(SerialSupportParameters(L"C:\\jre6\\"), L"\"/InstallSerialSupport:C:\\jre6\\\\\"");
    EXPECT_EQ(SerialSupportParameters(L"\\"), L"\"/InstallSerialSupport:\\\\\"");
}

TEST(SerialSupport, EitherRunCopiesOnlyFromASourceNoUserCanChangeAndThroughNoLink) {
    static const std::wstring dll = kGsmModemJar + L"\\Win32com.dll";
    const std::wstring& jar = kGsmModemJar;
    // Only administrators may change it, but another account holds these rights.
    const auto others = [](std::uint32_t rights, bool allows = true, bool inheritOnly = false) {
        return FileProtection{false, Account::Administrators, true, {{Account::Other, allows, inheritOnly, rights}}};
    };
    const FileProtection link{true, Account::Administrators};
    const FileProtection noList{false, Account::Administrators, false, {}};  // grants everyone everything
    const FileProtection mine{false, Account::Self, true, {{Account::Self, true, false, kGenericAll}}};
    const AppError refused{1003, kNotProtected};
    const AppError sourceLink{1004, kSourceLink};
    const AppError toLink{1005, kDestinationLink};
    struct Case {
        const char* What;
        std::wstring At = dll;  // with this protection; the rest only administrators can change
        FileProtection Is{false, Account::Administrators};
        AppError Error;               // Number 0: every missing file is copied
        std::size_t Copied = 0;       // by the first run, row by row, before the error
        std::wstring Gone;            // the source file or folder that is not there
        const wchar_t* Own = L"";     // a support file the runtime has
        const wchar_t* Folder = L"";  // a folder with a support file's name
    };
    const Case cases[] = {
        {.What = "administrators only", .Copied = 4},
        {.What = "an entry for what is created inside", .At = jar, .Is = others(kGenericAll, true, true), .Copied = 4},
        {.What = "a deny entry", .At = jar, .Is = others(kGenericAll, false), .Copied = 4},
        {.What = "the user's own", .Is = mine, .Copied = 4},
        {.What = "everyone may add to the drive's root", .At = L"C:\\", .Is = others(kFileWriteData), .Copied = 4},
        {.What = "a file's right to delete what it holds", .Is = others(kFileDeleteChild), .Copied = 4},
        {.What = "users may change the root's access list", .At = L"C:\\", .Is = others(kWriteDac), .Error = refused},
        {.What = "users may delete in the root", .At = L"C:\\", .Is = others(kFileDeleteChild), .Error = refused},
        {.What = "users may write into the source folder", .At = jar, .Is = others(kFileWriteData), .Error = refused},
        {.What = "users may delete in the source folder", .At = jar, .Is = others(kFileDeleteChild), .Error = refused},
        {.What = "users may change a file's access list", .Is = others(kWriteDac), .Error = refused, .Copied = 2},
        {.What = "a file any program may write", .Is = others(kGenericWrite), .Error = refused, .Copied = 2},
        {.What = "a NULL access list", .Is = noList, .Error = refused, .Copied = 2},
        {.What = "a folder a user owns", .At = L"C:\\tarvex", .Is = {false, Account::Other}, .Error = refused},
        {.What = "a linked source folder", .At = L"C:\\tarvex", .Is = link, .Error = sourceLink},
        {.What = "a linked source file", .Is = link, .Error = sourceLink, .Copied = 2},
        {.What = "a linked runtime folder", .At = kHome + L"\\lib", .Is = link, .Error = toLink},
        {.What = "a linked bin folder", .At = kHome + L"\\bin", .Is = link, .Error = toLink, .Copied = 2},
        {.What = "a linked folder above the runtime", .At = L"C:\\Program Files", .Is = link, .Error = toLink},
        {.What = "a missing source", .Error = {53, L"File not found"}, .Copied = 3, .Gone = jar + L"\\jdc.jar"},
        {.What = "a missing source the runtime has",
         .Copied = 4,
         .Gone = jar + L"\\Comm.jar",
         .Own = L"\\lib\\ext\\Comm.jar"},
        {.What = "a missing source folder", .Error = {76, L"Path not found"}, .Gone = L"C:\\tarvex"},
        {.What = "a runtime without lib\\ext", .Error = {76, L"Path not found"}, .Gone = kHome + L"\\lib\\ext"},
        {.What = "a folder at a file's name", .Error = {58, L"File already exists"}, .Folder = L"\\lib\\ext\\Comm.jar"},
    };
    std::vector<std::wstring> targets;
    for (const std::wstring& file : kFilesUnderHome) {
        targets.push_back(kHome + file);
    }
    for (const Case& c : cases) {
        for (const bool elevated : {false, true}) {
            FakeMachine machine;
            machine.AddSource();
            machine.Files.Protections[c.At] = c.Is;
            machine.AddRuntime("1.6", R"(C:\Program Files\Java\jre6)");
            machine.AddRuntimeFolders(kHome, true);
            const auto gone = [&](const std::wstring& path) { return !c.Gone.empty() && path.starts_with(c.Gone); };
            std::erase_if(machine.Files.Files, gone);
            std::erase_if(machine.Files.Folders, gone);
            if (*c.Own != L'\0') {
                machine.Files.Files.insert(kHome + c.Own);
            }
            if (*c.Folder != L'\0') {
                machine.Files.Folders.insert(kHome + c.Folder);
            }
            std::size_t copies = c.Copied;
            if (elevated) {
                // Everything is checked before anything is written.
                EXPECT_EQ(RunSerialSupportInstaller(kHome, machine.Registry, machine.Files), c.Error.Number) << c.What;
                copies = c.Error.Number != 0 ? 0 : targets.size();
            } else {
                InstallSerialSupport(kHome, machine.Seams);
                const std::vector<std::wstring> boxes = {c.Error.Description, kCopyFailed};
                EXPECT_EQ(machine.Events(L"message "), c.Error.Number != 0 ? boxes : std::vector<std::wstring>{})
                    << c.What;
            }
            std::vector<std::wstring> created;
            for (const std::wstring& event : machine.Events(L"create ")) {
                created.push_back(event.substr(0, event.find(L" from ")));
            }
            std::vector<std::wstring> expected(targets.begin(), targets.begin() + static_cast<std::ptrdiff_t>(copies));
            std::erase(expected, kHome + c.Own);
            EXPECT_EQ(created, expected) << c.What << (elevated ? ", elevated" : ", first run");
            EXPECT_TRUE(machine.Files.Held.empty()) << c.What;
        }
    }
}

TEST(SerialSupport, ElevatedALinkOnTheWayToAFileTheRuntimeHasRefusesTheOthersToo) {
    for (const bool elevated : {false, true}) {
        FakeMachine machine;
        machine.AddSource();
        machine.AddRuntime("1.6", R"(C:\Program Files\Java\jre6)");
        machine.AddRuntimeFolders(kHome, true);
        machine.Files.Files.insert(kHome + L"\\bin\\Win32com.dll");
        machine.Files.Protections[kHome + L"\\bin"] = FileProtection{true, Account::Administrators};
        if (elevated) {
            EXPECT_EQ(RunSerialSupportInstaller(kHome, machine.Registry, machine.Files), 1005);
            EXPECT_TRUE(machine.Events(L"create ").empty());
        } else {
            // Never walked to, the bin folder is no concern of the first run's.
            InstallSerialSupport(kHome, machine.Seams);
            EXPECT_EQ(machine.Events(L"create ").size(), 3U);
            EXPECT_TRUE(machine.Events(L"message ").empty());
        }
    }
}

TEST(SerialSupport, ElevatedRunCompletesAHomeWithABackslashOfItsOwn) {
    FakeMachine machine;
    machine.AddSource();
    machine.AddRuntime("1.6", R"(C:\Program Files\Java\jre6\)");
    // The paths built from it have two backslashes in a row, which name no folder.
    const std::wstring home = kHome + L"\\";
    machine.Files.Folders.insert({home, kHome + L"\\lib\\ext", kHome + L"\\bin"});
    machine.Files.Files.insert({home + L"\\lib\\ext\\Comm.jar", home + L"\\lib\\javax.comm.properties"});
    EXPECT_EQ(RunSerialSupportInstaller(home, machine.Registry, machine.Files), 0);
    EXPECT_EQ(machine.Events(L"create "),
              (std::vector<std::wstring>{kHome + LR"(\bin\Win32com.dll from C:\tarvex\GsmModemJar\Win32com.dll)",
                                         kHome + LR"(\lib\ext\jdc.jar from C:\tarvex\GsmModemJar\jdc.jar)"}));
}

TEST(SerialSupport, ASlashSeparatesFoldersAsABackslashDoes) {
    FakeMachine machine;
    machine.AddSource();
    machine.AddRuntimeFolders(kHome, true);
    machine.Files.Protections[L"C:\\Program Files"] = FileProtection{true, Account::Administrators};
    InstallSerialSupport(LR"(C:\Program Files/Java\jre6)", machine.Seams);
    EXPECT_EQ(machine.Events(L"message "), (std::vector<std::wstring>{kDestinationLink, kCopyFailed}));
    EXPECT_TRUE(machine.Events(L"create ").empty());
}

TEST(SerialSupport, AWriteThatFailsIsNeverTakenForSuccess) {
    const AppError incomplete{1007, L"The support files were not installed: a file could not be written in full."};
    for (const AppError& failure : {AppError{}, incomplete}) {
        FakeMachine machine;
        machine.AddSource();
        machine.AddRuntime("1.6", R"(C:\Program Files\Java\jre6)");
        machine.AddRuntimeFolders(kHome, true);
        machine.Files.WriteFailure = failure;
        // Without a number of its own, it must still not read as exit code 0.
        EXPECT_EQ(RunSerialSupportInstaller(kHome, machine.Registry, machine.Files), 1007);
        InstallSerialSupport(kHome, machine.Seams);
        EXPECT_EQ(machine.Events(L"message ").size(), 2U);
    }
}

TEST(SerialSupport, AFileAppearsUnderItsNameOnlyWholeWrittenWhereNoLoaderLooks) {
    FakeMachine machine;
    machine.AddSource();
    machine.AddRuntimeFolders(kHome, true);
    // Left by runs cut off by a power failure: one goes, and one that another
    // run is still writing stays.
    machine.Files.Files.insert({kHome + L"\\Comm.jar.1.partial", kHome + L"\\jdc.jar.1.partial"});
    machine.Files.InUse.insert(kHome + L"\\jdc.jar.1.partial");
    // Another run puts Comm.jar in place first: its file is as good.
    machine.Files.BeforeMove = [&] { machine.Files.Files.insert(kHome + L"\\lib\\ext\\Comm.jar"); };
    InstallSerialSupport(kHome, machine.Seams);
    std::vector<std::wstring> copies;
    for (const std::wstring& event : machine.Log) {
        if (event.starts_with(L"write ") || event.starts_with(L"create ")) {
            copies.push_back(event);
        }
    }
    const std::wstring from = L" from C:\\tarvex\\GsmModemJar\\";
    EXPECT_EQ(copies, (std::vector<std::wstring>{
                          L"write " + kHome + L"\\Comm.jar.1.partial",
                          L"write " + kHome + L"\\javax.comm.properties.1.partial",
                          L"create " + kHome + L"\\lib\\javax.comm.properties" + from + L"javax.comm.properties",
                          L"write " + kHome + L"\\Win32com.dll.1.partial",
                          L"create " + kHome + L"\\bin\\Win32com.dll" + from + L"Win32com.dll",
                          L"write " + kHome + L"\\jdc.jar.1.partial",  // another run's, still open
                          L"write " + kHome + L"\\jdc.jar.2.partial",
                          L"create " + kHome + L"\\lib\\ext\\jdc.jar" + from + L"jdc.jar",
                      }));
    std::erase_if(machine.Files.Files, [](const std::wstring& path) { return !path.ends_with(L".partial"); });
    EXPECT_EQ(machine.Files.Files, std::set<std::wstring>{kHome + L"\\jdc.jar.1.partial"});
    EXPECT_TRUE(machine.Events(L"message ").empty());
    EXPECT_TRUE(machine.Files.Held.empty());
}

TEST(SerialSupport, OneLauncherAtATimeInstallsAndTheNextTestsAgainAfterItsWait) {
    struct Case {
        bool Missing;
        LockHandle Lock;     // 0: the wait ran out
        bool OtherInstalls;  // the first launcher, while this one waits
        std::uint32_t Refused;
        std::vector<std::wstring> Steps;
    };
    const std::wstring create = L"create";
    const Case cases[] = {
        {false, 7, false, 0, {}},
        {true, 7, false, 0, {L"lock", create, create, create, create, L"unlock"}},
        {true, 7, true, 0, {L"lock", L"unlock"}},
        {true, 0, false, 0, {L"lock", create, create, create, create}},
        {true, 7, false, 5, {L"lock", L"elevate", L"unlock"}},  // held while the elevated run copies
    };
    for (const Case& c : cases) {
        FakeMachine machine;
        machine.AddSource();
        machine.AddRuntimeFolders(kHome, c.Missing);
        machine.Processes.Lock = c.Lock;
        machine.Processes.WhileLocking = [&] { machine.AddRuntimeFolders(kHome, !c.OtherInstalls); };
        machine.Files.Refused[kHome + L"\\Comm.jar.1.partial"] = c.Refused;
        InstallSerialSupport(kHome, machine.Seams);
        std::vector<std::wstring> steps;
        for (const std::wstring& event : machine.Log) {
            const std::wstring step = event.substr(0, event.find(L' '));
            if (step == L"lock" || step == L"unlock" || step == L"elevate" || step == create) {
                steps.push_back(step);
            }
        }
        EXPECT_EQ(steps, c.Steps) << steps.size();
        EXPECT_TRUE(machine.Events(L"message ").empty());
    }
    // One lock per runtime for every user and session, whatever the case of its letters.
    for (const std::wstring& home : {kHome, std::wstring(LR"(c:\PROGRAM FILES\java\JRE6)")}) {
        EXPECT_EQ(InstallLockName(home), L"Global\\TarvexAdvanceSMSServer.Install.06633e9fd30e9a60");
    }
}

}  // namespace
