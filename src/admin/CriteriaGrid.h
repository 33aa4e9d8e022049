#pragma once
// The texts of the criteria editor's grid and the rules that work on them,
// without any widget: loading the criteria file into grid rows, writing the
// rows back, the column help texts, and the cell moves and edits the keys of
// the cell editor make.
#include <QString>
#include <QStringList>
#include <QVector>

namespace karuvel {

constexpr int kCriteriaGridColumns = 13;  // column 0 = level number, 1..12 = fields
constexpr int kCriteriaLastColumn = 12;

// "タイム回数データ.txt" in DataFolder.
QString criteriaFilePath();

// Row 0 of the grid: "レベル", the nine captions, three empty texts.
QStringList criteriaGridHeader();
// The help text of a column (lines joined by CR LF); empty for 0 and 10..12.
QString criteriaColumnHelp(int column);

// The grid: rows 0..lastLevelRow (row 0 = header), each of 13 texts, and the
// yellow marks of changed cells. An empty file leaves lastLevelRow at -1 with
// only the header row present.
struct CriteriaGrid {
    QVector<QStringList> rows;
    QVector<QVector<bool>> yellow;
    int lastLevelRow = -1;

    // Rows shown (the header row is always there).
    int rowCount() const { return int(rows.size()); }
    bool hasCell(int row, int column) const
    {
        return row >= 1 && row < rowCount() && column >= 1 && column <= kCriteriaLastColumn;
    }
    const QString& text(int row, int column) const { return rows[row][column]; }
    bool isYellow(int row, int column) const { return yellow[row][column]; }
};

enum class CriteriaGridLoad { Ok, Missing, Unreadable };

// Reads the file 12 fields at a time as the program reads it (quotes removed,
// a numeric field in its plain form: "010" shows as 10, "1.50" as 1.5); the
// first group, the file's header line, is dropped. A last group that runs
// short is filled with empty texts. A missing or unreadable file gives the
// header row alone and lastLevelRow -1. Every cell loses its yellow mark.
CriteriaGridLoad loadCriteriaGrid(const QString& path, CriteriaGrid* grid);

// Full-width figures, point and signs ("５０", "１．５", and "１。５" as the
// Japanese input types a point in kana mode) in their ASCII form.
QString halfWidthFigures(QString text);

// The lines the save writes: rows 0..lastLevelRow, columns 1..12 joined by
// commas, row 0 always the fixed header line (nine captions, three empty
// fields); figures typed full-width are written in their ASCII form.
QStringList criteriaFileLines(const CriteriaGrid& grid);

// A cell that would shift the fields of the file when it is read again (a
// comma, a double quote or a line break) or that holds a character code page
// 932 cannot hold: false with a message naming the level and the column.
bool criteriaCellsWritable(const CriteriaGrid& grid, QString* message);

enum class CriteriaSave { Ok, Refused, Failed };
// Checks the cells, then replaces the file in one step (CP932, CR LF). A
// refused or failed save leaves the file as it was; *message tells why.
CriteriaSave saveCriteriaGrid(const QString& path, const CriteriaGrid& grid, QString* message);

// Keys of the cell editor that move or copy.
enum class CriteriaKey { Escape, Up, Down, Left, Right, Other };

// The editing state of one open editor: the grid, the current cell, the last
// row of the selection and DataChanged.
class CriteriaSheet {
public:
    CriteriaGrid grid;
    int row = 1;
    int column = 1;
    int selectionEnd = 1;  // last row of the selection (Shift + Down)
    int dataChanged = 0;

    // Load: replaces every cell and clears the colouring; DataChanged stays.
    CriteriaGridLoad load(const QString& path);
    // True when there is a level row for the current cell.
    bool hasCurrentCell() const { return grid.hasCell(row, column); }
    QString currentText() const { return hasCurrentCell() ? grid.text(row, column) : QString(); }
    // Makes a cell current (a click); the selection shrinks to it.
    void setCurrent(int newRow, int newColumn);

    // TextToGrid転送: the editor's text goes into the current cell; a cell
    // whose text changes turns yellow and sets DataChanged.
    void textToGrid(const QString& text);
    // A key in the cell editor holding editorText. Moves the current cell
    // (arrows) or copies editorText down the column (Shift + Down); a copied
    // cell whose text changes is marked like a typed one. True when the
    // current cell changed.
    bool key(CriteriaKey key, bool shift, const QString& editorText);

private:
    void setCell(int r, int c, const QString& text);
};

} // namespace karuvel
