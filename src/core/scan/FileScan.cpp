// The file leftover scan: folder walk, personal-folder and link rules, and the file matcher.
#include "core/scan/FileScan.h"
#include "core/system/ExactNames.h"

#include <windows.h>
#include <shlobj.h>

#include <algorithm>
#include <memory>

#include "core/scan/ProgramScope.h"
#include "core/scan/ScanWord.h"
#include "core/system/DeleteHelpers.h"
#include "core/system/Handles.h"
#include "core/system/PublicFunctionUnit.h"
#include "core/system/SharedState.h"
#include "core/system/StrUtil.h"

namespace ku {

namespace {

const char* const kPersonalNames[] = {"Documents", "My Documents", "Desktop", "Pictures",
                                      "My Pictures", "Music", "My Music", "Videos",
                                      "My Videos", "Downloads"};
const int kPersonalFolderIds[] = {CSIDL_PERSONAL,          CSIDL_DESKTOPDIRECTORY,
                                  CSIDL_MYPICTURES,        CSIDL_MYMUSIC,
                                  CSIDL_MYVIDEO,           CSIDL_COMMON_DOCUMENTS,
                                  CSIDL_COMMON_DESKTOPDIRECTORY, CSIDL_COMMON_PICTURES,
                                  CSIDL_COMMON_MUSIC,      CSIDL_COMMON_VIDEO};

// The word as the matcher tests it: trimmed, a final "." dropped, and its short form when the
// word is itself an existing absolute path.
struct FileWord {
    ScanWord full;
    ScanWord shortForm;
    explicit FileWord(const std::string& word) {
        std::string text = Trim(word);
        if (!text.empty() && text.back() == '.')
            text.pop_back();
        full = ScanWord(text);
        std::string shortText;
        if (text.size() > 2 && text[1] == ':' && ExactShortPath(text, shortText) == ERROR_SUCCESS &&
            shortText.size() < MAX_PATH && !SameText(shortText, text))
            shortForm = ScanWord(shortText);
    }
};

std::string ShortUpper(const std::string& path) {
    std::string shortPath;
    if (ExactShortPath(path, shortPath) != ERROR_SUCCESS || shortPath.size() >= MAX_PATH)
        return "";
    std::string upper;
    UpperInto(upper, shortPath.data(), shortPath.size());
    return upper;
}

bool StopWalk() {
    const uint8_t state = ScanState.load(std::memory_order_relaxed);
    return state == ScanSkipFiles || state == ScanStop;
}

void AddFileItem(TWizardState& state, const std::string& extra, const std::string& path,
                 TUninstallerContents& contents) {
    TContent& item = contents.GetItem(contents.AddItem()).Content;
    item.Extra = extra;
    item.FileName = ExtractFileName(path);
    item.FilePath = path;
    item.ItemType = kItemFile;
    const std::string lower = LowerCase(item.FileName);
    if (lower.find(".exe") != std::string::npos)
        AppendRunningExe(state.RunningExeList, lower);
}

// The short (8.3) name FindFirstFile gives with an entry; empty when the long name is one.
const char* ShortName(const WIN32_FIND_DATAA& data) {
    return data.cAlternateFileName[0] ? data.cAlternateFileName : data.cFileName;
}

// A folder's path tested once for all its entries: "Recent" in it ends the walk of the folder
// at its first entry, and a word it holds names every file in it. Otherwise a hit in an
// entry's path ends within the entry's name, so the search starts where such a hit can.
struct FolderWords {
    const FileWord& word;
    bool recent, hit, shortHit;
    size_t from, shortFrom;

    FolderWords(const FileWord& fileWord, const std::string& upperFolder,
                const std::string& upperShort)
        : word(fileWord), recent(upperFolder.find("RECENT") != std::string::npos),
          hit(fileWord.full.MatchesUpper(upperFolder)),
          shortHit(!upperShort.empty() && fileWord.shortForm.MatchesUpper(upperShort)),
          from(Start(upperFolder, fileWord.full)),
          shortFrom(Start(upperShort, fileWord.shortForm)) {}

    bool Matches(const std::string& upperPath, const std::string& upperShortPath) const {
        return hit || word.full.MatchesUpper(upperPath, from) ||
               (!upperShortPath.empty() &&
                (shortHit || word.shortForm.MatchesUpper(upperShortPath, shortFrom)));
    }

    static size_t Start(const std::string& upperFolder, const ScanWord& scanWord) {
        const size_t length = scanWord.Upper().size();
        return upperFolder.size() >= length ? upperFolder.size() - length + 1 : 0;
    }
};

class FileWalker {
public:
    FileWalker(TWizardState& state, IScanProgress* progress, TUninstallerContents& contents,
               const std::string& word)
        : state_(state), progress_(progress), contents_(contents), word_(word),
          personal_(PersonalFolders()), others_(OtherProgramNames(word_.full, word)) {
        FileGuardReady(); // the guard collects what it needs of the machine while the walk runs
    }

    // upperShort is the folder's short form, upper case, when the word has a short form to
    // look for; each entry then adds its own 8.3 name instead of asking for the whole path.
    void Walk(const std::string& folder, const std::string& upperFolder,
              const std::string& upperShort) {
        if (LeaveAlone(upperFolder))
            return;
        WIN32_FIND_DATAA data;
        int skipped = 0;
        UniqueFind find(FindFirstExactFile((folder + "\\*.*"), data, &skipped));
        if (!find)
            return;
        // Worked out at the folder's first listed file, for all its files.
        std::unique_ptr<FolderFileGuard> guard;
        // What the folder's own path says holds for each of its entries: only the entry's
        // name is looked at for the rest.
        const FolderWords words(word_, upperFolder, upperShort);
        std::string full, upperFull, shortFull;
        do {
            if (StopWalk())
                return;
            if (progress_)
                progress_->Pump();
            const size_t nameLength = strlen(data.cFileName);
            full.assign(folder).append("\\").append(data.cFileName, nameLength);
            upperFull.assign(upperFolder).append("\\");
            AppendUpper(upperFull, data.cFileName, nameLength);
            if (words.recent || upperFull.find("RECENT", upperFolder.size()) != std::string::npos)
                return;
            const DWORD attributes = data.dwFileAttributes;
            if (attributes == 0 || attributes >= 9999)
                continue;
            if (progress_)
                progress_->Caption(full);
            if (!upperShort.empty()) {
                const char* shortName = ShortName(data);
                shortFull.assign(upperShort).append("\\");
                AppendUpper(shortFull, shortName, strlen(shortName));
            }
            if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
                if (EnterFolder(data, upperFull))
                    Walk(full, upperFull, shortFull);
            } else if (words.Matches(upperFull, shortFull)) {
                if (!GuardReady())
                    return;
                if (!guard)
                    guard.reset(new FolderFileGuard(folder));
                // A file the delete guard refuses (below the Windows folder, directly in
                // Program Files, a profile or a shell folder) is never the program's own.
                if (!guard->IsProtectedEntry(data.cFileName, attributes))
                    AddFileItem(state_, "", full, contents_);
            }
        } while (FindNextExactFile(find.get(), data, &skipped));
        if (skipped > 0)
            NoteLeftAlone(folder, upperFolder);
    }

    // The short form of the folder a walk starts at, when the word has one to look for.
    std::string StartShort(const std::string& folder) const {
        if (!word_.shortForm.Usable())
            return std::string();
        std::string upper = ShortUpper(folder + "\\");
        if (!upper.empty() && upper.back() == '\\')
            upper.pop_back();
        return upper;
    }

private:
    // Until the guard has what it needs of the machine no file is listed; the window keeps
    // answering, and the skip is seen, while the walk waits for it.
    bool GuardReady() const {
        while (!FileGuardReady()) {
            if (StopWalk())
                return false;
            if (progress_)
                progress_->Pump();
            Sleep(1);
        }
        return true;
    }

    // Entries passed over for their names, which the code page cannot hold: those that name
    // the program are said to be left alone.
    void NoteLeftAlone(const std::string& folder, const std::string& upperFolder) {
        std::string upper;
        for (const std::string& standIn : InexactNamesIn(folder)) {
            UpperInto(upper, upperFolder + "\\" + standIn);
            if (Matches(upper, std::string()))
                state_.LeftAloneItems.push_back(folder + "\\" + standIn);
        }
    }

    bool Matches(const std::string& upperPath, const std::string& upperShortPath) const {
        return word_.full.MatchesUpper(upperPath) ||
               (!upperShortPath.empty() && word_.shortForm.MatchesUpper(upperShortPath));
    }

    bool LeaveAlone(const std::string& upperFolder) const {
        return upperFolder.find("DOCUMENTS AND SETTINGS") != std::string::npos &&
               (upperFolder.find("\\TEMPORARY INTERNET FILES") != std::string::npos ||
                upperFolder.find("\\RECENT") != std::string::npos ||
                upperFolder.find("\\FAVORITES") != std::string::npos);
    }

    bool EnterFolder(const WIN32_FIND_DATAA& data, const std::string& upperFull) const {
        if (strcmp(data.cFileName, ".") == 0 || strcmp(data.cFileName, "..") == 0)
            return false;
        if (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)
            return false; // junctions and symbolic links lead elsewhere, or round in circles
        // A folder named like another installed program is that program's, and so is every
        // folder an installed program names as its own (the other edition of this one).
        if (NamesOtherProgram(upperFull.substr(upperFull.rfind('\\') + 1), others_) ||
            state_.OtherPrograms.HoldsUpperPath(upperFull))
            return false;
        return !std::binary_search(personal_.begin(), personal_.end(), upperFull);
    }

    TWizardState& state_;
    IScanProgress* progress_;
    TUninstallerContents& contents_;
    FileWord word_;
    std::vector<std::string> personal_;
    std::vector<std::string> others_;
};

void AddUpper(std::vector<std::string>& list, const std::string& path) {
    if (path.empty())
        return;
    std::string upper;
    UpperInto(upper, ExcludeTrailingBackslash(path));
    list.push_back(upper);
}

// Every profile folder below the folder that holds the current user's profile, and below the
// system drive's "Users" and "Documents and Settings".
std::vector<std::string> ProfileFolders() {
    std::vector<std::string> roots;
    // A profile the code page cannot name is passed over: its best-fit name is another folder.
    std::string profile;
    if (ExactFolderPath(CSIDL_PROFILE, profile) == ERROR_SUCCESS)
        roots.push_back(ExtractFileDir(ExcludeTrailingBackslash(profile)));
    const std::string system = GetWindowsDir();
    if (system.size() >= 3) {
        const std::string drive = system.substr(0, 3);
        roots.push_back(drive + "Users");
        roots.push_back(drive + "Documents and Settings");
    }
    std::vector<std::string> profiles;
    for (const std::string& root : roots) {
        WIN32_FIND_DATAA data;
        UniqueFind find(FindFirstExactFile((root + "\\*"), data));
        if (!find)
            continue;
        do {
            if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && data.cFileName[0] != '.')
                profiles.push_back(root + "\\" + data.cFileName);
        } while (FindNextExactFile(find.get(), data));
    }
    return profiles;
}

} // namespace

std::vector<std::string> PersonalFolders() {
    std::vector<std::string> list;
    for (const std::string& profile : ProfileFolders())
        for (const char* name : kPersonalNames)
            AddUpper(list, profile + "\\" + name);
    for (int id : kPersonalFolderIds) {
        std::string folder;
        if (ExactFolderPath(id, folder) == ERROR_SUCCESS)
            AddUpper(list, folder);
    }
    std::sort(list.begin(), list.end());
    list.erase(std::unique(list.begin(), list.end()), list.end());
    return list;
}

void ScanFolderFiles(TWizardState& state, const std::string& folder, int counter,
                     IScanProgress* progress, TUninstallerContents& contents,
                     const std::string& word) {
    (void)counter;
    if (!ScanWord(Trim(word)).Usable())
        return; // nothing could match: the drive is not walked for nothing
    const std::string start = ExcludeTrailingBackslash(folder);
    std::string upper;
    UpperInto(upper, start);
    if (state.OtherPrograms.HoldsUpperPath(upper))
        return;
    FileWalker walker(state, progress, contents, word);
    walker.Walk(start, upper, walker.StartShort(start));
}

void MatchLeftoverFile(TWizardState& state, const std::string& extra, const std::string& filePath,
                       TUninstallerContents& contents, const std::string& word) {
    const FileWord fileWord(word);
    std::string upper;
    UpperInto(upper, filePath);
    const bool matches =
        fileWord.full.MatchesUpper(upper) ||
        (fileWord.shortForm.Usable() && fileWord.shortForm.MatchesUpper(ShortUpper(filePath)));
    if (matches && !IsProtectedFile(filePath))
        AddFileItem(state, extra, filePath, contents);
}

} // namespace ku
