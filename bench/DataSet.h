#pragma once

#include <QSize>
#include <QString>
#include <QTemporaryDir>
#include <memory>

namespace vorlin::bench {

// How much data each figure works on.
struct Sizes
{
    int bigDrawings = 100000; // half ".bmp", half ".dib"
    int bigOthers = 5000;
    int midDrawings = 10000;
    int midOthers = 500;
    QSize wide{2000, 400};
    QSize huge{8000, 6000};

    static Sizes tiny() { return {1000, 50, 100, 5, {200, 40}, {800, 600}}; }
};

// What a folder of the data set holds.
struct DrawingFolder
{
    QString path;
    int bmp = 0;
    int dib = 0;
    int others = 0;
};

// The benchmark's own files, in a temporary folder that is removed with this object:
//   home/                 the folder the window starts in: three small drawings of each kind
//   home/drawings-big/    the large folder (100,000 drawings and 5,000 other files)
//   home/drawings-mid/    the middle folder (10,000 drawings and 500 other files)
//   home/previews/        a small, a wide and a huge 24-bit bitmap
class DataSet
{
public:
    // Makes the files under a new temporary folder inside parent; an empty result on failure,
    // with the reason in error.
    static std::unique_ptr<DataSet> make(const Sizes& sizes, const QString& parent, QString& error);

    QString root() const { return m_root.path(); }
    DrawingFolder home;
    DrawingFolder big;
    DrawingFolder mid;

    QString previews;
    QString smallPicture; // file names inside previews
    QString widePicture;
    QString hugePicture;
    QSize wideSize;
    QSize hugeSize;

private:
    explicit DataSet(const QString& parent);
    QTemporaryDir m_root;
};

} // namespace vorlin::bench
