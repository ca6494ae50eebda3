// The profile engine: row builders, folder finders, run procedures and stoppers.
#include "special/profiles/ProfileEngine.h"

#include <cctype>
#include <utility>

#include "core/system/DeleteHelpers.h"
#include "core/system/ExactNames.h"
#include "core/system/Launcher.h"
#include "core/system/ProcessUnit.h"
#include "core/system/PublicFunctionUnit.h"
#include "core/system/Reg32vs64.h"
#include "core/system/ServiceUnit.h"
#include "core/system/StrUtil.h"
#include "special/profiles/ProfileData.h"
#include "special/profiles/ProfileKeys.h"

namespace ku {

const char* DataFileName(DataFile file) {
    switch (file) {
    case DataFile::CodeA:
        return "CodeA.dat";
    case DataFile::CodeB:
        return "CodeB.dat";
    case DataFile::CodeC:
        return "CodeC.dat";
    case DataFile::None:
        break;
    }
    return "";
}

// Row builders: each returns a changed copy, so a table row reads as one expression.
FolderSource FolderSource::ReadOnly() const {
    FolderSource copy = *this;
    copy.open = OpenMode::ReadOnly;
    return copy;
}
FolderSource FolderSource::NoViewFlag() const {
    FolderSource copy = *this;
    copy.open = OpenMode::NoViewFlag;
    return copy;
}
FolderSource FolderSource::AsRead() const {
    FolderSource copy = *this;
    copy.asRead = true;
    return copy;
}
FolderSource FolderSource::Cut(const std::string& marker) const {
    FolderSource copy = *this;
    copy.steps.push_back({StepKind::CutBefore, marker});
    return copy;
}
FolderSource FolderSource::CutAnyCase(const std::string& marker) const {
    FolderSource copy = *this;
    copy.steps.push_back({StepKind::CutBeforeAnyCase, marker});
    return copy;
}
FolderSource FolderSource::KeepFolder(const std::string& marker) const {
    FolderSource copy = *this;
    copy.steps.push_back({StepKind::KeepFolderOf, marker});
    return copy;
}
FolderSource FolderSource::KeepFolderAnyCase(const std::string& marker) const {
    FolderSource copy = *this;
    copy.steps.push_back({StepKind::KeepFolderOfAnyCase, marker});
    return copy;
}
FolderSource FolderSource::Then(StepKind kind, int count) const {
    FolderSource copy = *this;
    copy.steps.push_back({kind, "", count});
    return copy;
}
FolderSource FolderSource::Append(const std::string& text) const {
    FolderSource copy = *this;
    copy.steps.push_back({StepKind::Append, text});
    return copy;
}

static FolderSource MakeSource(HKEY root, const std::string& keyPath, const std::string& value) {
    FolderSource source;
    source.root = root;
    source.keyPath = keyPath;
    source.valueName = value;
    return source;
}
FolderSource Hklm(const std::string& k, const std::string& v) {
    return MakeSource(HKEY_LOCAL_MACHINE, k, v);
}
FolderSource Hkcu(const std::string& k, const std::string& v) {
    return MakeSource(HKEY_CURRENT_USER, k, v);
}
FolderSource Hkcr(const std::string& k, const std::string& v) {
    return MakeSource(HKEY_CLASSES_ROOT, k, v);
}

FolderSource BinaryText(const std::string& keyPath, const std::string& valueName) {
    FolderSource source = Hklm(keyPath, valueName);
    source.kind = SourceKind::BinaryText;
    return source;
}
FolderSource FirstNonEmpty(const std::vector<std::string>& keys, const std::string& valueName) {
    FolderSource source = Hklm(keys.empty() ? std::string() : keys[0], valueName);
    source.kind = SourceKind::FirstNonEmpty;
    if (!keys.empty())
        source.moreKeys.assign(keys.begin() + 1, keys.end());
    return source;
}
FolderSource EachSubkey(const std::string& keyPath, const std::string& subPath,
                        const std::string& valueName) {
    FolderSource source = Hklm(keyPath, valueName);
    source.kind = SourceKind::EachSubkey;
    source.subPath = subPath;
    return source;
}
FolderSource EnvironmentFolder(const std::string& variable) {
    FolderSource source = Hklm(variable, "");
    source.kind = SourceKind::Environment;
    return source;
}
FolderSource WindowsFolder() {
    FolderSource source;
    source.kind = SourceKind::WindowsFolder;
    return source;
}

FolderSource OwnWindowsFolder(const std::string& name) {
    FolderSource source;
    source.kind = SourceKind::OwnWindowsFolder;
    source.keyPath = name;
    return source;
}

Stopper Service(const std::string& name) {
    return {true, name};
}
Stopper Process(const std::string& name) {
    return {false, name};
}

FixedDeletion DelKey(HKEY root, const std::string& path) {
    return {FixedDeletion::Key, root, path, ""};
}
FixedDeletion DelValue(HKEY root, const std::string& path, const std::string& value) {
    return {FixedDeletion::Value, root, path, value};
}
FixedDeletion DelWindowsFile(const std::string& name) {
    return {FixedDeletion::WindowsFile, nullptr, name, ""};
}
FixedDeletion DelSystemFile(const std::string& name) {
    return {FixedDeletion::SystemFile, nullptr, name, ""};
}
FixedDeletion DelWindowsFolder(const std::string& name) {
    return {FixedDeletion::WindowsFolder, nullptr, name, ""};
}

ProfileRow Profile(const std::string& unit, DataFile file) {
    ProfileRow row;
    row.unit = unit;
    row.file = file;
    if (file != DataFile::None)
        row.mark = "[" + unit + "]";
    return row;
}

#define KU_ROW_SETTER(method, type, field)                                                         \
    ProfileRow ProfileRow::method(type value) const {                                              \
        ProfileRow copy = *this;                                                                   \
        copy.field = std::move(value);                                                             \
        return copy;                                                                               \
    }
KU_ROW_SETTER(Mark, const std::string&, mark)
KU_ROW_SETTER(Stops, std::vector<Stopper>, stoppers)
KU_ROW_SETTER(Sources, std::vector<FolderSource>, sources)
KU_ROW_SETTER(Pause, int, pauseMs)
KU_ROW_SETTER(Extra, ExtraCommand, extra)
KU_ROW_SETTER(Fixed, std::vector<FixedDeletion>, fixed)
KU_ROW_SETTER(Before, ProfileHook, beforeSection)
KU_ROW_SETTER(After, ProfileHook, afterSection)
KU_ROW_SETTER(Finder, ProfileHook, finder)
KU_ROW_SETTER(AfterFinder, ProfileHook, afterFinder)
#undef KU_ROW_SETTER

ProfileRow ProfileRow::NoRun() const {
    ProfileRow copy = *this;
    copy.hasRun = false;
    return copy;
}

namespace {

// A binary value read into 150 characters of blanks, then trimmed of blanks and zeros.
std::string ReadSourceBinaryText(const FolderSource& source, REGSAM view) {
    TRegistry reg;
    if (!OpenProfileKey(reg, source.root, source.keyPath, OpenMode::ReadOnly, view))
        return std::string();
    std::string text(150, ' ');
    try {
        reg.ReadBinaryData(source.valueName, &text[0], static_cast<int>(text.size()));
    } catch (const std::exception&) {
        return std::string();
    }
    const size_t first = text.find_first_not_of(std::string(" \t\r\n\0", 5));
    if (first == std::string::npos)
        return std::string();
    const size_t last = text.find_last_not_of(std::string(" \t\r\n\0", 5));
    text = text.substr(first, last - first + 1);
    return text.substr(0, text.find('\0'));
}

std::vector<std::string> SubkeyNames(const FolderSource& source, REGSAM view) {
    TRegistry reg;
    std::vector<std::string> names;
    if (OpenProfileKey(reg, source.root, source.keyPath, OpenMode::ReadOnly, view))
        reg.GetKeyNames(names);
    return names;
}

// Empty when missing, longer than 256 characters or a folder the code page cannot name: its
// best-fit name would be another user's or program's folder.
std::string EnvironmentText(const std::string& name) {
    std::string value;
    return ExactEnvironmentVariable(name, value) == ERROR_SUCCESS && value.size() < 257
               ? value
               : std::string();
}

std::string CutAt(const std::string& text, size_t position) {
    return position == std::string::npos ? std::string() : text.substr(0, position);
}

size_t Find(const std::string& text, const std::string& marker, bool anyCase) {
    if (marker.empty())
        return std::string::npos;
    return anyCase ? UpperCase(text).find(UpperCase(marker)) : text.find(marker);
}

// Up to the end of the folder name that starts at the marker: the product's own folder,
// never the vendor folder above it.
std::string KeepFolderOf(const std::string& text, const std::string& marker, bool anyCase) {
    const size_t position = Find(text, marker, anyCase);
    if (position == std::string::npos)
        return std::string();
    const size_t end = text.find('\\', position + 1);
    return end == std::string::npos ? text : text.substr(0, end);
}

std::string ApplyStep(const PathStep& step, const std::string& text) {
    const size_t count = static_cast<size_t>(step.count);
    switch (step.kind) {
    case StepKind::CutBefore:
        return CutAt(text, Find(text, step.text, false));
    case StepKind::CutBeforeAnyCase:
        return CutAt(text, Find(text, step.text, true));
    case StepKind::KeepFolderOf:
        return KeepFolderOf(text, step.text, false);
    case StepKind::KeepFolderOfAnyCase:
        return KeepFolderOf(text, step.text, true);
    case StepKind::DropFirst:
        return count < text.size() ? text.substr(count) : std::string();
    case StepKind::DropLeadingQuote:
        return !text.empty() && text[0] == '"' ? text.substr(1) : text;
    case StepKind::KeepFirst:
        return text.substr(0, count);
    case StepKind::DropLast:
        return count < text.size() ? text.substr(0, text.size() - count) : std::string();
    case StepKind::KeepLast:
        return count < text.size() ? text.substr(text.size() - count) : text;
    case StepKind::Append:
        return text + step.text;
    case StepKind::TrailingBackslash:
        return IncludeTrailingBackslash(text);
    case StepKind::Trim:
        return Trim(text);
    case StepKind::RemoveQuotes:
        return ReplaceAll(text, "\"", "");
    }
    return text;
}

// Registry values bear a view; the environment and the Windows folder do not.
bool ReadsRegistry(const FolderSource& source) {
    return source.kind != SourceKind::Environment && source.kind != SourceKind::WindowsFolder;
}

std::vector<std::string> ReadSourceValues(const FolderSource& source, REGSAM view,
                                          const LeftoverScanProgress* progress) {
    switch (source.kind) {
    case SourceKind::Value:
        return {ReadProfileString(source.root, source.keyPath, source.valueName, source.open, view,
                                  progress)};
    case SourceKind::BinaryText:
        return {ReadSourceBinaryText(source, view)};
    case SourceKind::FirstNonEmpty: {
        std::vector<std::string> keys{source.keyPath};
        keys.insert(keys.end(), source.moreKeys.begin(), source.moreKeys.end());
        for (const std::string& key : keys) {
            const std::string value =
                ReadProfileString(source.root, key, source.valueName, source.open, view, progress);
            if (!Trim(value).empty())
                return {value};
        }
        return {std::string()};
    }
    case SourceKind::EachSubkey: {
        std::vector<std::string> values;
        for (const std::string& name : SubkeyNames(source, view))
            values.push_back(ReadProfileString(source.root,
                                               source.keyPath + "\\" + name + source.subPath,
                                               source.valueName, source.open, view, progress));
        return values;
    }
    case SourceKind::Environment:
        return {EnvironmentText(source.keyPath)};
    case SourceKind::WindowsFolder:
        return {GetWindowsDir()};
    case SourceKind::OwnWindowsFolder:
        return {NamedWindowsFolder(source.keyPath)};
    }
    return {};
}

bool Listed(const std::vector<std::string>& folders, const std::string& folder) {
    for (const std::string& listed : folders)
        if (SameText(listed, folder))
            return true;
    return false;
}

// A named file of the Windows or system folder; the report counts it when it was there.
template <typename Delete>
void DeleteCountedFile(const std::string& path, Delete deleteFile, RemovalReport* report) {
    TContent item;
    item.ItemType = kItemFile;
    item.FilePath = path;
    const bool found = LeftoverItemRemains(item);
    deleteFile();
    if (!report || !found)
        return;
    ++report->total;
    if (LeftoverItemRemains(item))
        report->notRemoved.push_back(DescribeLeftoverItem(item));
}

void RunFixedDeletion(const FixedDeletion& deletion, RemovalReport* report) {
    switch (deletion.kind) {
    case FixedDeletion::Key:
        DeleteProfileKey(deletion.root, deletion.path, report);
        break;
    case FixedDeletion::Value:
        DeleteProfileValue(deletion.root, deletion.path, deletion.value, report);
        break;
    case FixedDeletion::WindowsFile:
        DeleteCountedFile(GetWindowsDir() + "\\" + deletion.path,
                          [&] { DeleteFileInWindowsDir(deletion.path); }, report);
        break;
    case FixedDeletion::SystemFile:
        DeleteCountedFile(GetSystemDir() + "\\" + deletion.path,
                          [&] { DeleteFileInSystemDir(deletion.path); }, report);
        break;
    case FixedDeletion::WindowsFolder:
        DeleteNamedWindowsFolder(deletion.path);
        break;
    }
}

bool IsListedFile(const TUninstallerContents* contents, const std::string& path) {
    if (!contents)
        return false;
    for (int i = 0; i < contents->Count(); ++i) {
        const TContent& item = contents->GetItem(i).Content;
        if (item.ItemType == kItemFile && SameText(item.FilePath, path))
            return true;
    }
    return false;
}

// A section's "FILE=" entries name files in the Windows and system folders, which only the
// guard's road for named files reaches. Only those the scan listed go: the user saw them.
void DeleteListedSectionFiles(const std::vector<std::string>& files, const ProfileSite& site) {
    for (const std::string& file : files)
        if (IsListedFile(site.contents, file))
            DeleteSectionFile(file);
}

} // namespace

std::string ApplyPathSteps(const FolderSource& source, const std::string& value) {
    std::string folder = source.asRead ? value : RemoveTrailingBackslash(value);
    for (const PathStep& step : source.steps)
        folder = ApplyStep(step, folder);
    return folder;
}

// The first view gives one entry per value, empty ones included; a later view adds only the
// folders it names that are not listed yet (a key both views share reads the same).
std::vector<std::string> SourceFolders(const FolderSource& source,
                                       const LeftoverScanProgress* progress) {
    std::vector<std::string> folders;
    const std::vector<REGSAM> views =
        ReadsRegistry(source) ? ProfileKeyViews() : std::vector<REGSAM>{0};
    for (size_t i = 0; i < views.size(); ++i)
        for (const std::string& value : ReadSourceValues(source, views[i], progress)) {
            const std::string folder = ApplyPathSteps(source, value);
            if (i == 0 || (!folder.empty() && !Listed(folders, folder)))
                folders.push_back(folder);
        }
    return folders;
}

bool IsScannableProfileFolder(const std::string& folder) {
    const std::string path = ExcludeTrailingBackslash(folder);
    if (path.size() < 4 || !std::isalpha(static_cast<unsigned char>(path[0])) || path[1] != ':' ||
        path[2] != '\\')
        return false;
    // The same refusal as the force folder's: Windows' component and data folders in Program
    // Files and the profiles ("Common Files\System", "Internet Explorer", AppData's "Microsoft")
    // are no product's own.
    return !PathClimbs(path) && !IsProtectedPath(path) && !IsRefusedForceFolder(path);
}

void RunProfileRow(const ProfileRow& row, const ProfileSite& site) {
    if (!row.hasRun)
        return;
    if (row.beforeSection)
        row.beforeSection(row, site);
    if (row.file != DataFile::None) {
        const ProfileSection section =
            ReadProfileSection(row.mark, DataFileName(row.file), site.dataFolder, site.owner);
        StopServiceList(section.Services);
        if (row.pauseMs > 0)
            Sleep(row.pauseMs);
        ExecuteRegistryDeleteLines(section.RegLines, site.report);
        DeleteListedSectionFiles(section.Files, site);
    }
    for (const FixedDeletion& deletion : row.fixed)
        RunFixedDeletion(deletion, site.report);
    if (row.extra == ExtraCommand::RegisterOleAut)
        RunWinExec("regsvr32 oleaut32.dll /s", SW_HIDE);
    else if (row.extra == ExtraCommand::WinsockReset)
        RunWinExec("netsh winsock reset", SW_HIDE);
    if (row.afterSection)
        row.afterSection(row, site);
}

void ScanProfileRow(const ProfileRow& row, const ProfileSite& site) {
    if (!site.contents)
        return;
    if (row.finder) {
        row.finder(row, site);
    } else {
        // Every value is read first, then the folders are scanned in the order read. A
        // product's own folder below Windows comes from the guard, which checked it already.
        std::vector<std::pair<std::string, bool>> folders;
        for (const FolderSource& source : row.sources)
            for (const std::string& folder : SourceFolders(source, &site.progress))
                folders.emplace_back(folder, source.kind == SourceKind::OwnWindowsFolder);
        for (const auto& folder : folders)
            if (folder.second ? !folder.first.empty() : IsScannableProfileFolder(folder.first))
                ScanFolderLeftovers(ExcludeTrailingBackslash(folder.first), site.progress,
                                    *site.contents, site.others);
    }
    if (row.afterFinder)
        row.afterFinder(row, site);
}

void StopProfileRow(const ProfileRow& row) {
    for (const Stopper& stopper : row.stoppers) {
        if (stopper.service)
            StopServiceByName(stopper.name);
        else
            KillProcessesByName(stopper.name);
    }
}

} // namespace ku
