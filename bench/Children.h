#pragma once

#include "DataSet.h"

#include <QString>
#include <QStringList>
#include <optional>

namespace vorlin::bench {

// The hidden arguments with which the benchmark runs itself as a child process.
inline constexpr char ChildFrmEdit[] = "--child-frmedit";
inline constexpr char ChildEmpty[] = "--child-empty";
inline constexpr char ChildText[] = "--child-text";
inline constexpr char ChildMemory[] = "--child-memory";

// The application set-up of src/app/main.cpp: name, version, icon, picture loading.
void setUpAsTheProgram();

// The windows a start-up child shows.
enum class StartupWindow {
    FrmEdit, // the program as src/app starts it: frmEdit, Form_Load, show
    Empty,   // an empty QMainWindow of the same size
    Text,    // the same with one line of text, for information: what drawing any text costs
};

// Child: shows the window and exits right after its first paint.
int runStartupChild(StartupWindow kind, int argc, char** argv);

// Child: shows frmEdit in home (the current directory), then opens big and prints the resident
// memory before and after on one line of standard output.
int runMemoryChild(int argc, char** argv, const DrawingFolder& home, const DrawingFolder& big);
// The arguments after ChildMemory that runMemoryChild reads back with memoryChildFolders.
QStringList memoryChildArguments(const DrawingFolder& home, const DrawingFolder& big);
bool memoryChildFolders(const QStringList& arguments, DrawingFolder& home, DrawingFolder& big);

// Runs this program again with mode and arguments on the offscreen platform, in the current
// directory; returns the wall time in milliseconds from spawning it until it has ended, or nothing
// (with the reason in error) when it could not run or did not exit with 0. The child's output
// goes to logFile.
std::optional<double> timeChild(const char* mode, const QStringList& arguments, const QString& logFile,
                                QString& error);

// Memory growth of one child run, in MiB: resident set and its peak.
struct MemoryGrowth
{
    double residentMiB = 0;
    double peakMiB = 0;
};
std::optional<MemoryGrowth> measureMemoryInChild(const DrawingFolder& home, const DrawingFolder& big,
                                                 QString& error);

} // namespace vorlin::bench
