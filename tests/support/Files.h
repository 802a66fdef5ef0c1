#pragma once
// Files and pictures that tests lay out for the program to find: a file
// written with its folders, and the bytes of a PNG picture as a server or the
// disk would hold them.
#include <QByteArray>
#include <QColor>
#include <QImage>
#include <QSize>
#include <QString>
#include <QStringList>

class QListWidget;

namespace testsupport {

// Writes `bytes` to `path`, making its folders; a file that cannot be
// written fails the test.
void WriteFile(const QString& path, const QByteArray& bytes);

// The bytes of the file at `path`; "<missing>" when there is none, so that a
// file that vanished is not taken for an empty one.
QByteArray ReadFile(const QString& path);

// Lines as a file written on Windows holds them: each ends in CR LF.
QByteArray Crlf(const QStringList& lines);

// The PNG file of `image`.
QByteArray EncodePng(const QImage& image);

// The PNG file of a picture of one colour.
QByteArray SolidPng(const QSize& size, const QColor& colour,
                    QImage::Format format = QImage::Format_RGB32);

// The peak resident memory of this process so far (VmHWM), in MB; 0 where
// the system does not say.
qint64 PeakMb();

// The texts of a list box's entries, top to bottom.
QStringList Texts(const QListWidget* list);

} // namespace testsupport
