#include "test_installation.h"

#include <filesystem>
#include <fstream>

#include "sample_builder.h"
#include "test_hives.h"

namespace testhives {

namespace {

const int kSampleRecord = 3;

std::string Dword(uint32_t number) {
    std::string bytes(4, '\0');
    for (int i = 0; i < 4; ++i) bytes[i] = static_cast<char>((number >> (8 * i)) & 0xFF);
    return bytes;
}

bool IsText(uint32_t type) { return type == kRegSz || type == kRegExpandSz || type == kRegMultiSz; }

void Add(TestInstallation* t, const char* hive, const std::string& key, bool inView, const std::string& name,
         uint32_t type, const std::string& data) {
    t->values.push_back({hive, key, inView, name, type, data});
}

void AddVersion(TestInstallation* t, const char* version, const char* build, const char* product, uint32_t major) {
    const char key[] = "Microsoft\\Windows NT\\CurrentVersion";
    Add(t, "SOFTWARE", key, false, "CurrentVersion", kRegSz, version);
    Add(t, "SOFTWARE", key, false, "CurrentBuildNumber", kRegSz, build);
    if (product[0] != '\0') Add(t, "SOFTWARE", key, false, "ProductName", kRegSz, product);
    Add(t, "SOFTWARE", key, false, "SystemRoot", kRegSz, "C:\\" + t->windowsFolder);
    if (major != 0) {
        Add(t, "SOFTWARE", key, false, "CurrentMajorVersionNumber", kRegDword, Dword(major));
        Add(t, "SOFTWARE", key, false, "CurrentMinorVersionNumber", kRegDword, Dword(0));
    }
}

}  // namespace

TestInstallation InfectedInstallation(WindowsKind kind) {
    TestInstallation t;
    t.kind = kind;
    t.configFolder = "config";
    switch (kind) {
    case WindowsKind::kNt4:
        t.windowsFolder = "WINNT", t.systemFolder = "system32", t.softwareFile = "SOFTWARE", t.systemFile = "SYSTEM";
        AddVersion(&t, "4.0", "1381", "", 0);
        break;
    case WindowsKind::kXp:
        t.windowsFolder = "WINDOWS", t.systemFolder = "system32", t.softwareFile = "software", t.systemFile = "system";
        AddVersion(&t, "5.1", "2600", "Microsoft Windows XP", 0);
        break;
    case WindowsKind::kWindows7:
        t.windowsFolder = "Windows", t.systemFolder = "System32", t.softwareFile = "SOFTWARE", t.systemFile = "SYSTEM";
        AddVersion(&t, "6.1", "7601", "Windows 7 Professional", 0);
        break;
    case WindowsKind::kWindows10x64:
        t.windowsFolder = "Windows", t.systemFolder = "System32", t.softwareFile = "SOFTWARE", t.systemFile = "SYSTEM";
        t.wow64 = true;
        AddVersion(&t, "6.3", "19045", "Windows 10 Pro", 10);
        break;
    case WindowsKind::kWindows98:
        t.windowsFolder = "WINDOWS", t.systemFolder = "SYSTEM";
        break;
    }
    const std::string windows = "C:\\" + t.windowsFolder;
    const std::string system = windows + "\\" + t.systemFolder;
    const std::string hostSystem = t.windowsFolder + "/" + t.systemFolder;
    t.infectedFile = system + "\\svcupd.exe";
    t.files.push_back({hostSystem + "/svcupd.exe", kSampleRecord, ""});
    t.files.push_back({hostSystem + "/ctfmon.exe", 0, "MZ, a clean program"});
    t.files.push_back({"Program Files/Tool/tool.exe", 0, "MZ, another clean one"});
    if (kind == WindowsKind::kWindows98) {
        t.files.push_back({t.windowsFolder + "/hosts", 0, "127.0.0.1 localhost\r\n"});
        t.files.push_back({t.windowsFolder + "/SYSTEM.DAT", 0, "CREG, not a regf hive"});
        return t;
    }
    t.files.push_back({hostSystem + "/drivers/etc/hosts", 0, "127.0.0.1 localhost\r\n"});

    const std::string current = "Microsoft\\Windows\\CurrentVersion";
    Add(&t, "SOFTWARE", current, true, "ProgramFilesDir", kRegSz,
        t.wow64 ? "C:\\Program Files (x86)" : "C:\\Program Files");
    // Windows keeps a key's values in the order they were made, and the
    // walk deletes in that order.
    Add(&t, "SOFTWARE", current + "\\Run", true, "ctfmon", kRegSz, system + "\\ctfmon.exe");
    Add(&t, "SOFTWARE", current + "\\Run", true, "svcupd", kRegSz, system + "\\svcupd.exe");
    Add(&t, "SOFTWARE", current + "\\Run", true, "Bin", kRegBinary, std::string("\x01\x00\xFE\x7F\x80", 5));
    Add(&t, "SOFTWARE", current + "\\Run", true, "SMrhcjg7j0e38v", kRegSz, system + "\\rhcjg7j0e38v.exe");
    Add(&t, "SOFTWARE", current + "\\Run", true, "Tray", kRegExpandSz, "%SystemRoot%\\tray.exe");
    Add(&t, "SOFTWARE", current + "\\RunServices", true, "svcupd", kRegExpandSz,
        "\"%SystemRoot%\\" + t.systemFolder + "\\svcupd.exe\" -service");
    Add(&t, "SOFTWARE", current + "\\RunServices", true, "Spooler", kRegSz, system + "\\spool.exe");
    Add(&t, "SOFTWARE", current + "\\Uninstall\\rhcjg7j0e38v", true, "DisplayName", kRegSz, "Update Helper");
    Add(&t, "SOFTWARE", current + "\\Uninstall\\rhcjg7j0e38v", true, "UninstallString", kRegSz,
        windows + "\\uninstall.exe /rhcjg7j0e38v");
    // A 32-bit program never sees the 64-bit view.
    if (t.wow64) Add(&t, "SOFTWARE", current + "\\Run", false, "svcupd64", kRegSz, system + "\\svcupd.exe");

    Add(&t, "SYSTEM", "Select", false, "Current", kRegDword, Dword(1));
    Add(&t, "SYSTEM", "ControlSet001\\Services\\svcupd", false, "ImagePath", kRegExpandSz,
        system + "\\svcupd.exe");
    Add(&t, "SYSTEM", "ControlSet001\\Services\\Tcpip\\Parameters", false, "Hostname", kRegSz, "desk");
    t.keys.push_back({"SYSTEM", "ControlSet001\\Services\\svcupd\\Enum"});
    t.keys.push_back({"SYSTEM", "ControlSet001\\Services\\svcupd\\Security"});
    t.keys.push_back({"SYSTEM", "ControlSet002\\Services\\svcupd\\Enum"});
    return t;
}

std::string HiveKeyPath(const TestInstallation& installation, const InstallationValue& value) {
    return (installation.wow64 && value.inView ? "Wow6432Node\\" : "") + value.keyPath;
}

std::string SoftwareHivePath(const TestInstallation& t, const std::string& root) {
    return root + "/" + t.windowsFolder + "/" + t.systemFolder + "/" + t.configFolder + "/" + t.softwareFile;
}

std::string SystemHivePath(const TestInstallation& t, const std::string& root) {
    return root + "/" + t.windowsFolder + "/" + t.systemFolder + "/" + t.configFolder + "/" + t.systemFile;
}

bool WriteInstallation(const TestInstallation& t, const std::string& root, std::string* error) {
    for (const InstallationFile& file : t.files) {
        std::string path = root + "/" + file.path;
        std::filesystem::create_directories(std::filesystem::path(path).parent_path());
        if (file.record != 0) {
            samples::Sample sample;
            if (!samples::BuildSample(file.record, samples::Kind::kMatch, samples::Options(), &sample, error) ||
                !samples::WriteSampleFile(path, sample, error))
                return false;
        } else {
            std::ofstream(path, std::ios::binary) << file.contents;
        }
    }
    if (t.kind == WindowsKind::kWindows98) return true;

    std::string software = SoftwareHivePath(t, root);
    std::string system = SystemHivePath(t, root);
    std::filesystem::create_directories(std::filesystem::path(software).parent_path());
    if (!WriteEmptyHive(software) || !WriteEmptyHive(system)) {
        *error = "cannot write the empty hives";
        return false;
    }
    for (const InstallationValue& value : t.values) {
        std::string bytes = IsText(value.type) ? Utf16(value.data) : value.data;
        const std::string& hive = value.hive == "SOFTWARE" ? software : system;
        if (!SetHiveValues(hive, HiveKeyPath(t, value), {{value.name, value.type, bytes}})) {
            *error = "cannot set " + value.keyPath + "\\" + value.name;
            return false;
        }
    }
    for (const auto& key : t.keys) {
        if (!AddHiveKey(key.first == "SOFTWARE" ? software : system, key.second)) {
            *error = "cannot add " + key.second;
            return false;
        }
    }
    return true;
}

}  // namespace testhives
