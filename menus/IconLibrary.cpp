#include "menus/IconLibrary.h"

#include "core/modGlobals.h"
#include "core/modInternet.h"
#include "menus/Skin.h"
#include "platform/Latin1Text.h"
#include "platform/TransferControl.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>

#include <sys/stat.h>

namespace menus {

namespace {

// The folder's last change (ns since the epoch), -1 when it cannot be read.
qint64 FolderStamp(const QString& folder) {
    struct stat st {};
    if (::stat(QFile::encodeName(folder).constData(), &st) != 0)
        return -1;
    return qint64(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
}

QPixmap LoadBuiltin(const QString& key) {
    const QString base = QStringLiteral(":/menus/icons/") + key;
    if (qGuiApp && qGuiApp->devicePixelRatio() >= 1.5) {
        QPixmap big(base + QStringLiteral("@2x.png"));
        if (!big.isNull()) {
            big.setDevicePixelRatio(2.0);
            return big;
        }
    }
    return QPixmap(base + QStringLiteral(".png"));
}

} // namespace

IconLibrary& IconLibrary::Instance() {
    // Never destroyed: pixmaps must not outlive the application object's
    // destruction, and the library must outlive every window.
    static auto* library = new IconLibrary();
    return *library;
}

IconLibrary::IconLibrary() {
    EnsureMenuResources();
    for (const char* key : {"Item", "AdvertiserIcon", "LinkIcon", "MenuExpandHi", "MenuExpand",
                            "ScrollDown", "ScrollUp", "ArrowUp", "ArrowDown", "Folder", "Search"})
        builtin1_[QString::fromLatin1(key)] = LoadBuiltin(QString::fromLatin1(key));
    for (const char* key : {"Item", "MenuExpandHi", "MenuExpand", "ScrollDown", "ScrollUp",
                            "ArrowUp", "ArrowDown", "Folder", "FolderIcon"})
        builtinIcons_[QString::fromLatin1(key)] = LoadBuiltin(QString::fromLatin1(key));
}

QPixmap IconLibrary::Image(ImageList list, const QString& key) const {
    const auto& builtin = list == ImageList::ImageList1 ? builtin1_ : builtinIcons_;
    auto it = builtin.find(key);
    if (it != builtin.end())
        return it->second;
    if (list == ImageList::ImageList1) {
        auto l = loaded_.find(key);
        if (l != loaded_.end())
            return l->second;
    }
    return QPixmap();
}

bool IconLibrary::Has(ImageList list, const QString& key) const {
    return !Image(list, key).isNull();
}

void IconLibrary::FollowImagesFolder() {
    // Icons loaded from another images folder (another program folder, a
    // test's temporary one) are not this folder's icons.
    if (imagesFolder_ != modGlobals::gImagesPath) {
        imagesFolder_ = modGlobals::gImagesPath;
        loaded_.clear();
        failed_.clear();
        present_.clear();
        listed_ = false;
    }
}

void IconLibrary::ListImagesFolder() {
    listedStamp_ = FolderStamp(imagesFolder_);
    present_.clear();
    const QStringList names =
        QDir(imagesFolder_).entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::NoSort);
    present_ = QSet<QString>(names.begin(), names.end());
    listed_ = true;
    // Timestamps move in ticks of a few milliseconds: a file added in the
    // tick of the listing would not change the stamp, so the next look lists
    // again.
    const qint64 now = QDateTime::currentMSecsSinceEpoch() * 1000000;
    listedRacy_ = listedStamp_ < 0 || now - listedStamp_ < 1000000000;
}

void IconLibrary::LookAtImagesFolder() {
    FollowImagesFolder();
    if (!listed_ || imagesFolder_.isEmpty())
        return; // listed when first needed
    if (listedRacy_ || FolderStamp(imagesFolder_) != listedStamp_)
        listed_ = false;
}

bool IconLibrary::Listed(const QString& fileName) {
    if (!listed_)
        ListImagesFolder();
    return present_.contains(fileName);
}

void IconLibrary::NoteIconFile(const QString& path, bool present) {
    FollowImagesFolder();
    if (!listed_ || imagesFolder_.isEmpty() || !path.startsWith(imagesFolder_))
        return;
    const QString name = path.mid(imagesFolder_.size());
    if (name.contains(QLatin1Char('/')))
        return;
    if (present) {
        present_.insert(name);
    } else {
        present_.remove(name);
        loaded_.erase(name);
    }
}

QPixmap IconLibrary::ItemIcon(const QString& fileName) {
    const QPixmap builtin = Image(ImageList::ImageList1, fileName);
    if (!builtin.isNull())
        return builtin;
    FollowImagesFolder();
    // A name the server made up is never turned into a path or an address
    // unless it is a plain file name.
    if (!modGlobals::IsPlainFileName(fileName) || failed_.contains(fileName) ||
        imagesFolder_.isEmpty())
        return QPixmap();
    const QString path = imagesFolder_ + fileName;
    bool fetched = false;
    if (!QFile::exists(path)) {
        // The server knows the name by its bytes in the code page.
        const QString page =
            QStringLiteral("/images/") +
            QString::fromLatin1(platform::EncodeAnsi(fileName).toPercentEncoding());
        const bool written = modInternet::DownloadFileWithin(page, path, downloadTimeoutMs_);
        if (!written) {
            failed_.insert(fileName);
            return QPixmap();
        }
        fetched = true;
        NoteIconFile(path, true);
    }
    QPixmap pm(path);
    if (pm.isNull()) {
        // A body that is no picture (an error page sent as 200) would
        // otherwise stay and be taken for the icon by every later start.
        if (fetched)
            QFile::remove(path);
        failed_.insert(fileName);
        return QPixmap();
    }
    if (pm.width() != 16 || pm.height() != 16)
        pm = pm.scaled(16, 16, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    loaded_[fileName] = pm;
    return pm;
}

QPixmap IconLibrary::LocalIcon(const QString& fileName, FileState* state) {
    FileState dummy;
    FileState& st = state ? *state : dummy;
    st = FileState::Loaded;
    const QPixmap known = Image(ImageList::ImageList1, fileName);
    if (!known.isNull())
        return known;
    FollowImagesFolder();
    if (!modGlobals::IsPlainFileName(fileName) || imagesFolder_.isEmpty()) {
        st = FileState::Unusable;
        return QPixmap();
    }
    if (!Listed(fileName)) {
        st = FileState::Missing;
        return QPixmap();
    }
    // Only a listed file is looked at, once: a loaded one is kept.
    const QFileInfo info(imagesFolder_ + fileName);
    if (!info.exists()) {
        present_.remove(fileName);
        st = FileState::Missing;
        return QPixmap();
    }
    if (info.size() == 0) {
        st = FileState::Empty;
        return QPixmap();
    }
    QPixmap pm(info.filePath());
    if (pm.isNull()) {
        st = FileState::Unusable;
        return QPixmap();
    }
    if (pm.width() != 16 || pm.height() != 16)
        pm = pm.scaled(16, 16, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    loaded_[fileName] = pm;
    failed_.remove(fileName);
    return pm;
}

} // namespace menus
