#include "worksheet/Worksheet.h"

#include "platform/GbkCodec.h"
#include "worksheet/ProblemGenerator.h"

namespace worksheet {

namespace {

struct HeaderTexts {
    QByteArray title = platform::Gbk("数 学 运 算 练 习");
    QByteArray count = platform::Gbk("题目数：");
    QByteArray name = platform::Gbk("姓名:       ");
    QByteArray grade = platform::Gbk("     年级     班级");
    QByteArray time = platform::Gbk("用时:       ");
    QByteArray score = platform::Gbk("得分:       ");
};

const HeaderTexts& Headers() {
    static const HeaderTexts texts;
    return texts;
}

const QByteArray kAnswerTail = QByteArrayLiteral("    \r");       // four blanks, lone CR
const QByteArray kQuestionTail = QByteArrayLiteral("         \r"); // nine blanks, lone CR

} // namespace

void Worksheet::WriteHeaderRows() {
    const HeaderTexts& h = Headers();
    m_sheetTable[0][0] = h.title;
    for (int c = 1; c < Columns; ++c)
        m_sheetTable[c][0].clear();
    m_sheetTable[0][1] = h.count + QByteArray::number(m_problemCount);
    m_sheetTable[1][1] = h.name;
    m_sheetTable[2][1] = h.grade;
    m_sheetTable[3][1] = h.time;
    m_sheetTable[4][1] = h.score;
    m_titleBold = true;
}

void Worksheet::PresentSlot(int slot, bool answersShown) {
    const int r = (slot - 1) / Columns;
    const int c = (slot - 1) % Columns;
    if (slot > m_problemCount) {
        m_sheetTable[c][r + 2].clear();
        return;
    }
    const QByteArray& text = answersShown ? m_answerTexts[slot] : m_questionTexts[slot];
    m_sheetTable[c][r + 2] = text;
    m_columnLines[c][r] = text + (answersShown ? kAnswerTail : kQuestionTail);
}

void Worksheet::GenerateWorksheet(const WorksheetSettings& settings) {
    m_problemCount = settings.ProblemCount;
    WriteHeaderRows();
    // Slot order fixes which operator and which draws each slot receives.
    for (int i = 1; i <= SlotCount; ++i) {
        if (i <= m_problemCount) {
            const OperatorCode op = ChooseOperator(settings.ProblemType);
            const Problem p = BuildProblem(settings, op);
            m_answerTexts[i] = p.AnswerText;
            m_questionTexts[i] = p.QuestionText;
        }
        PresentSlot(i, settings.ShowAnswers);
    }
}

void Worksheet::RefillWorksheet(bool answersShown) {
    WriteHeaderRows();
    for (int i = 1; i <= SlotCount; ++i)
        PresentSlot(i, answersShown);
}

QByteArray Worksheet::ColumnText(int k) const {
    QByteArray text;
    if (k < 1 || k > Columns)
        return text;
    for (int r = 0; r < LayoutRows && Columns * r + k <= m_problemCount; ++r)
        text += m_columnLines[k - 1][r];
    return text;
}

const QByteArray& Worksheet::SheetTable(int column, int row) const {
    return m_sheetTable.at(column).at(row);
}

const QByteArray& Worksheet::AnswerText(int slot) const { return m_answerTexts.at(slot); }

const QByteArray& Worksheet::QuestionText(int slot) const { return m_questionTexts.at(slot); }

const QByteArray& Worksheet::ColumnLine(int column, int row) const {
    return m_columnLines.at(column).at(row);
}

} // namespace worksheet
