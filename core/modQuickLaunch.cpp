#include "core/modQuickLaunch.h"

#include "core/Dialogs.h"
#include "core/modGlobals.h"
#include "platform/AppPath.h"
#include "platform/Registry.h"
#include "platform/Taskbar.h"

#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QTimer>

#include <array>

namespace modQuickLaunch {

namespace {

const QString kLocation = QStringLiteral("modQuickLaunch.CreateQuickLaunchSpace");
const QString kShortcut = QStringLiteral("Tarvel.lnk");
const QString kShortcutCopy = QStringLiteral("Tarvel1.lnk");
constexpr int kSlots = 101;
constexpr int kFirstFreeSlot = 80;
constexpr int kPathFileAccessError = 75;

WaitFunction gWait;
QString gTempFolder;
bool gRunning = false;

void DefaultWait(double seconds) {
    QEventLoop loop;
    QTimer::singleShot(static_cast<int>(seconds * 1000), &loop, &QEventLoop::quit);
    loop.exec();
}

void Wait(double seconds) {
    if (gWait)
        gWait(seconds);
    else
        DefaultWait(seconds);
}

// The taskbar's stream, one character per byte; "" when it cannot be read.
QByteArray TaskbarStream() {
    platform::RegistryValue value;
    if (platform::RegReadValue(platform::HKEY_CURRENT_USER,
                               QStringLiteral("Software\\Microsoft\\Windows\\CurrentVersion\\"
                                              "Explorer\\Streams\\Desktop"),
                               QStringLiteral("Taskbar"), &value) != 0)
        return {};
    return value.data;
}

// The slot that the stream gives a short name: the byte 17 places before the
// second-last NUL at or before the name. -1 when the stream does not know the
// name or its record is not where it should be.
int SlotFromStream(const QByteArray& stream, const QString& shortName) {
    if (shortName.isEmpty())
        return -1;
    const qsizetype pos = stream.indexOf(shortName.toLatin1());
    if (pos < 0)
        return -1;
    const qsizetype nul1 = stream.lastIndexOf('\0', pos);
    if (nul1 <= 0)
        return -1;
    const qsizetype nul2 = stream.lastIndexOf('\0', nul1 - 1);
    if (nul2 < 17)
        return -1;
    return static_cast<unsigned char>(stream.at(nul2 - 17));
}

// The next free slot from the running counter up, else any free slot.
int TakeFreeSlot(const std::array<QString, kSlots>& order, int* counter) {
    for (int s = std::max(*counter, 0); s < kSlots; ++s) {
        if (order[static_cast<size_t>(s)].isEmpty()) {
            *counter = s + 1;
            return s;
        }
    }
    for (int s = 0; s < kSlots; ++s)
        if (order[static_cast<size_t>(s)].isEmpty())
            return s;
    return -1;
}

void MakeWritable(const QString& path) {
    QFile::setPermissions(path, QFile::permissions(path) | QFileDevice::WriteOwner |
                                    QFileDevice::ReadOwner);
}

// Copies over an existing file, as the system's file copy does.
bool CopyOver(const QString& from, const QString& to) {
    if (QFileInfo::exists(to)) {
        MakeWritable(to);
        if (!QFile::remove(to))
            return false;
    }
    return QFile::copy(from, to);
}

struct Failure {
    QString description;
    int number = 0;
};

// One run of the set-up: remembers what it moved and created so that a
// failure can put the folder back as it was.
class Run {
public:
    Run(QString quickLaunch, QString temp) : ql_(std::move(quickLaunch)), temp_(std::move(temp)) {}

    bool MoveAside(const QByteArray& stream, Failure* failure);
    void AddProgramShortcuts();
    bool ReturnInSlotOrder(Failure* failure);
    void Restore();
    void RemoveTempFolder() const { QDir().rmdir(temp_); }
    int MovedCount() const { return static_cast<int>(moved_.size()); }

private:
    QString ql_, temp_;
    std::array<QString, kSlots> slots_;
    QStringList moved_;   // in the temporary folder, not yet back
    QStringList created_; // program shortcuts this run put into the folder
};

bool Run::MoveAside(const QByteArray& stream, Failure* failure) {
    // A plain listing: hidden files (the folder's own settings) stay put.
    const QStringList files = QDir(ql_).entryList(QDir::Files, QDir::Name);
    int counter = kFirstFreeSlot;
    for (const QString& file : files) {
        const QString path = ql_ + file;
        const QString shortName = QFileInfo(platform::taskbar().ShortPathName(path)).fileName();
        int slot = SlotFromStream(stream, shortName);
        // An unknown name, a record out of range or a slot already taken
        // would lose a shortcut: the file takes the next free slot instead.
        if (slot < 0 || slot >= kSlots || !slots_[static_cast<size_t>(slot)].isEmpty())
            slot = TakeFreeSlot(slots_, &counter);
        if (slot < 0) {
            *failure = {QStringLiteral("The Quick Launch folder holds too many files."), 9};
            return false;
        }
        MakeWritable(path);
        if (!CopyOver(path, temp_ + file)) {
            *failure = {QStringLiteral("Could not copy \"%1\" to \"%2\".").arg(path, temp_),
                        kPathFileAccessError};
            return false;
        }
        moved_.append(file);
        slots_[static_cast<size_t>(slot)] = file;
        QCoreApplication::processEvents();
        if (!QFile::remove(path)) {
            *failure = {QStringLiteral("Could not remove \"%1\".").arg(path), kPathFileAccessError};
            return false;
        }
    }
    return true;
}

void Run::AddProgramShortcuts() {
    using namespace modGlobals;
    const int startup = gPlatformId == 1 ? platform::CSIDL_STARTUP : platform::CSIDL_COMMON_STARTUP;
    QString source = platform::taskbar().ShellFolder(startup) + QLatin1Char('/') + kShortcut;
    if (!QFileInfo::exists(source))
        source = platform::taskbar().ShellFolder(platform::CSIDL_PROGRAMS) + QLatin1Char('/') +
                 kShortcut;
    // Beside data/ and images/: the program folder may be read-only.
    const QString log = platform::DataHome() + QStringLiteral("/INSTALL.Log");
    for (const QString& name : {kShortcut, kShortcutCopy}) {
        const QString target = ql_ + name;
        if (!CopyOver(source, target))
            continue; // the shortcuts are a convenience; the set-up goes on
        created_.append(name);
        QFile file(log);
        if (file.open(QIODevice::Append | QIODevice::Text))
            file.write((QStringLiteral("File Copy: ") + target + QLatin1Char('\n')).toLocal8Bit());
    }
}

bool Run::ReturnInSlotOrder(Failure* failure) {
    using namespace modGlobals;
    const int maximum = MovedCount() + 1;
    int progress = 1;
    for (const QString& name : slots_) {
        if (name.isEmpty())
            continue;
        if (!CopyOver(temp_ + name, ql_ + name)) {
            *failure = {QStringLiteral("Could not copy \"%1\" back to \"%2\".").arg(name, ql_),
                        kPathFileAccessError};
            return false;
        }
        // A returned shortcut of the same name is the user's, no longer ours.
        created_.removeAll(name);
        QFile::remove(temp_ + name);
        moved_.removeAll(name);
        Wait(3);
        windows::dialogs().SetMessageProgress(maximum, ++progress);
    }
    return true;
}

void Run::Restore() {
    for (const QString& name : std::as_const(created_))
        QFile::remove(ql_ + name);
    created_.clear();
    QStringList kept;
    for (const QString& name : std::as_const(moved_)) {
        const QString back = ql_ + name;
        // Never delete the only copy: a file that cannot go back stays aside.
        const bool stillThere = QFileInfo(back).isFile();
        if (!stillThere && !CopyOver(temp_ + name, back)) {
            kept.append(name);
            continue;
        }
        QFile::remove(temp_ + name);
    }
    moved_ = kept;
    RemoveTempFolder();
}

void Finish(const QString& position) {
    using namespace modGlobals;
    SaveSetting(QStringLiteral("Options"), QStringLiteral("ButtonPosition"), position);
    windows::dialogs().UnloadMessageWindow();
}

} // namespace

void SetWaitFunction(WaitFunction wait) {
    gWait = std::move(wait);
}

void SetTempFolder(const QString& folder) {
    gTempFolder = folder;
}

QString TempFolder() {
    QString folder = gTempFolder.isEmpty()
                         ? QDir::tempPath() + QStringLiteral("/Tarvel Folder Temp.!!!")
                         : gTempFolder;
    if (!folder.endsWith(QLatin1Char('/')))
        folder += QLatin1Char('/');
    return folder;
}

QString QuickLaunchFolder() {
    const QString appData = platform::taskbar().ShellFolder(platform::CSIDL_APPDATA);
    if (appData.isEmpty())
        return {};
    return appData + QStringLiteral("/Microsoft/Internet Explorer/Quick Launch/");
}

void RemoveQuickLaunchShortcuts() {
    const QString folder = QuickLaunchFolder();
    if (folder.isEmpty())
        return;
    QFile::remove(folder + kShortcut);
    QFile::remove(folder + kShortcutCopy);
}

bool CreateQuickLaunchSpace() {
    using namespace modGlobals;
    // The waits let window events run; a second set-up started from one of
    // them would shuffle the same folder at the same time.
    if (gRunning)
        return false;
    gRunning = true;
    struct Reset {
        ~Reset() { gRunning = false; }
    } reset;

    windows::dialogs().ShowMessageWindow(QStringLiteral("Configuring taskbar. Please wait..."));

    const QString ql = QuickLaunchFolder();
    const bool hasFiles = !ql.isEmpty() && !QDir(ql).entryList(QDir::Files).isEmpty();
    if (!hasFiles) {
        Finish(QStringLiteral("0"));
        ShowError(QStringLiteral("The Quick Launch toolbar was not found. The button stays in the "
                                 "bottom left corner of the screen."),
                  0, kLocation);
        return false;
    }

    const QByteArray stream = TaskbarStream();
    const QString temp = TempFolder();
    Run run(ql, temp);
    Failure failure;
    bool ok = QDir().mkpath(temp);
    if (!ok)
        failure = {QStringLiteral("Could not create \"%1\".").arg(temp), kPathFileAccessError};
    ok = ok && run.MoveAside(stream, &failure);
    if (ok) {
        run.AddProgramShortcuts();
        windows::dialogs().SetMessageProgress(run.MovedCount() + 1, 1);
        Wait(5);
        ok = run.ReturnInSlotOrder(&failure);
    }
    if (!ok) {
        run.Restore();
        Finish(QStringLiteral("0"));
        ShowError(failure.description, failure.number, kLocation);
        return false;
    }
    run.RemoveTempFolder();
    Finish(QStringLiteral("1"));
    return true;
}

} // namespace modQuickLaunch
