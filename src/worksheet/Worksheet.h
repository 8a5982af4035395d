#pragma once
// One sheet of up to 100 problems: every slot's text with and without its answer, the 5 x 22
// table the worksheet window shows, and the column lines printed on the page.

#include "common/U_Common.h"

#include <QByteArray>

#include <array>

namespace worksheet {

class Worksheet {
public:
    static constexpr int SlotCount = 100;
    static constexpr int Columns = 5;     // layout and table columns
    static constexpr int LayoutRows = 20; // problem rows
    static constexpr int TableRows = 22;  // title row, header row, problem rows

    // Draws a new set of problems (slots 1..ProblemCount) and fills the table and lines.
    void GenerateWorksheet(const WorksheetSettings& settings);
    // Rewrites the table and lines from the stored texts, with or without answers.
    void RefillWorksheet(bool answersShown);
    // The printed text of layout column k (1..5): one line per used slot of that column.
    QByteArray ColumnText(int k) const;

    // GBK cell text of the table, column 0..4, row 0..21.
    const QByteArray& SheetTable(int column, int row) const;
    bool TitleBold() const { return m_titleBold; }
    // GBK texts of slot 1..100.
    const QByteArray& AnswerText(int slot) const;
    const QByteArray& QuestionText(int slot) const;
    // The printed line of layout column 0..4 and layout row 0..19.
    const QByteArray& ColumnLine(int column, int row) const;
    // N of the last generation (0 before the first).
    int ProblemCount() const { return m_problemCount; }

private:
    void WriteHeaderRows();
    void PresentSlot(int slot, bool answersShown);

    int m_problemCount = 0;
    bool m_titleBold = false;
    std::array<QByteArray, SlotCount + 1> m_answerTexts;   // index 0 unused
    std::array<QByteArray, SlotCount + 1> m_questionTexts; // index 0 unused
    std::array<std::array<QByteArray, LayoutRows>, Columns> m_columnLines;
    std::array<std::array<QByteArray, TableRows>, Columns> m_sheetTable;
};

} // namespace worksheet
