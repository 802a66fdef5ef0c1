#pragma once
// The image lists of the menu windows, shared by every menu window and kept
// for the life of the program: "ImageList1" (built-in images and the item
// icons downloaded at run time, keyed by file name) and "imlIcons".
#include <QPixmap>
#include <QSet>
#include <QString>

#include <map>

namespace menus {

enum class ImageList { ImageList1, imlIcons };

class IconLibrary {
public:
    // The one library of the program.
    static IconLibrary& Instance();

    // The image under a key, or a null pixmap when the list has none.
    QPixmap Image(ImageList list, const QString& key) const;
    bool Has(ImageList list, const QString& key) const;

    // An item icon of ImageList1 by its file name: the list's image when it
    // has one; otherwise the file from the images folder, fetched from the
    // server page "/images/" & name when it is missing, then kept under the
    // name. Null when any step fails; a failed name is not fetched again
    // while the images folder stays the same.
    QPixmap ItemIcon(const QString& fileName);

    // How an icon file stands in the images folder.
    enum class FileState { Loaded, Missing, Empty, Unusable };
    // An item icon of ImageList1 without fetching anything (painting never
    // waits for the network): the list's image when it has one, else the
    // file from the images folder when it holds a picture, then kept under
    // the name. Null otherwise, and *state says why: Missing (no file),
    // Empty (a file of length 0), Unusable (not a plain file name, no images
    // folder, or no picture in the file).
    QPixmap LocalIcon(const QString& fileName, FileState* state = nullptr);

    // Which files the images folder holds is read in one listing, not asked
    // of the disk a row at a time: a category of thousands of rows opens
    // without a file-system call per row. One look at the folder (a stat)
    // reads it again when anything was added or removed since.
    void LookAtImagesFolder();
    // A file written into or removed from the images folder (a full path).
    void NoteIconFile(const QString& path, bool present);

    // Time-out of one icon download (5 s); tests shorten it.
    void SetDownloadTimeoutMs(int ms) { downloadTimeoutMs_ = ms; }
    int DownloadTimeoutMs() const { return downloadTimeoutMs_; }

private:
    IconLibrary();
    void FollowImagesFolder();
    void ListImagesFolder();
    bool Listed(const QString& fileName);

    std::map<QString, QPixmap> builtin1_, builtinIcons_, loaded_;
    QSet<QString> failed_;
    QString imagesFolder_;
    QSet<QString> present_; // the images folder's files at the last listing
    bool listed_ = false;
    qint64 listedStamp_ = 0; // the folder's change time (ns) the listing saw
    // The listing was taken within the file system's clock tick of a change:
    // a file added in the same tick leaves the stamp as it was.
    bool listedRacy_ = false;
    int downloadTimeoutMs_ = 5000;
};

} // namespace menus
