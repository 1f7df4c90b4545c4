#pragma once

#include "platform/Export.h"
#include "platform/win32/WinGdi.h"

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

typedef struct _PangoFontDescription PangoFontDescription;
typedef struct _PangoLayout PangoLayout;
typedef struct _PangoContext PangoContext;

namespace DuiLib {

struct TFontInfo;

// The laid-out form of a text of paragraphs (separated by '\n'), made with Pango.
//
// Each paragraph gets its own PangoLayout, made when something first needs its lines and dropped
// when the paragraph is edited, so that the cost of a paint or an edit follows what is shown or
// changed, not the length of the text. Paragraph tops are cumulative heights; a paragraph that
// was never laid out counts with an estimate from the font's metrics until it is.
//
// Positions in the text are offsets in wide characters (code points), counting each '\n'; y is
// in pixels from the top of the first paragraph, x from the left edge of the wrapping width.
// Offsets beyond the text are clamped to its end. Not copyable; owns its Pango objects.
//
// A printed copy flows the text over pages with one layout at the paper's width: each page
// shows [y, next) with next = GetLineTop(y + page height), or the text's end when that lies
// within the page (y + page height when one line is taller than the page), painted with
// Paint(dc, x, pageTop - y, y, next, ...); every paragraph is laid out once, however many pages
// it spans.
class SRCTRL_API CTextLayout {
public:
    CTextLayout();
    ~CTextLayout();
    CTextLayout(const CTextLayout&) = delete;
    CTextLayout& operator=(const CTextLayout&) = delete;

    // Starts the font set-up that the first layout of a process waits for (fontconfig reading
    // its configuration and caches, on a thread of Pango's) and returns at once, so that it runs
    // while the caller does other start-up work. Called on the thread that lays out text.
    static void BeginFontSetup();
    // Finds and opens the font (waiting for that set-up), so that the first layout in it, on the
    // screen or on a printed page, does not.
    static void OpenFont(const TFontInfo& font);

    // The font, its size multiplied by `zoom`; a change drops every paragraph's layout.
    void SetFont(const TFontInfo& font, double zoom);
    // The width at which lines wrap, in pixels; 0 or less keeps each paragraph on one line.
    void SetWidth(int width);
    int GetWidth() const { return m_nWidth; }

    void SetText(const std::wstring& text);
    // Replaces `count` characters at `start` by `with`, as the owner did to its own copy.
    void Replace(size_t start, size_t count, const std::wstring& with);
    size_t GetLength();
    size_t GetParagraphCount() const { return m_vecParagraphs.size(); }

    // The height of paragraphs [first, last), laying them out; the whole text's height when
    // called without arguments counts estimates for paragraphs not laid out yet.
    int GetHeight(size_t first, size_t last);
    int GetHeight();
    // The height of one line of the font.
    int GetLineHeight();
    // The top of the line that contains `y` (of the last line for a `y` below the text), so
    // that a page or a view can start on a whole line.
    int GetLineTop(int y);
    // Lays out the paragraphs that meet [y0, y1), so that their heights are exact.
    void Prepare(int y0, int y1);

    // Paints the lines that meet [y0, y1) with the text's origin at (x, y) of the device
    // context; characters in [selStart, selEnd) get the selection colour behind them.
    void Paint(HDC hDC, int x, int y, int y0, int y1, DWORD color, size_t selStart = 0, size_t selEnd = 0,
               DWORD selColor = 0);

    // The caret at `pos`: x, top and bottom of the strong cursor (its width is 0).
    RECT GetCaretRect(size_t pos);
    // The position nearest to a point (x and y relative to the text's origin).
    size_t HitTest(int x, int y);
    // One caret stop to the left (direction < 0) or right in visual order, across paragraphs.
    size_t MoveVisually(size_t pos, int direction);
    // The next and previous caret stops in logical order (grapheme cluster boundaries).
    size_t NextCursor(size_t pos);
    size_t PrevCursor(size_t pos);
    // Where Backspace at `pos` starts deleting: one character back for a combining mark that
    // Pango lets go alone (as in Hebrew or Devanagari), otherwise the whole cluster.
    size_t BackspaceStart(size_t pos);
    // The start of the next word after `pos` (direction > 0) or of the word before it, in
    // logical order; a paragraph's end and start are stops too.
    size_t MoveByWord(size_t pos, int direction);
    // The logical start and end of the visual line that holds `pos`.
    size_t LineStart(size_t pos);
    size_t LineEnd(size_t pos);

private:
    struct Paragraph;

    PangoLayout* Layout(size_t index);
    PangoLayout* MakeLayout(PangoContext* context, const Paragraph& paragraph) const;
    void Adopt(size_t index, PangoLayout* layout);
    void LayOutWithHelper(size_t first, size_t last);
    void Invalidate(size_t index);
    void UpdatePrefix(size_t upto);
    void DropLayouts();
    void EnsureMetrics();
    // A paragraph's height: exact once laid out, estimated from the font's metrics before.
    int Height(size_t index);
    int EstimateHeight(const Paragraph& paragraph);
    size_t ParagraphAt(size_t pos);
    size_t ParagraphAtY(int y);
    size_t Start(size_t index);
    int Top(size_t index);
    // Byte index inside a paragraph for a character offset, and back.
    static int ByteIndex(const Paragraph& paragraph, size_t offset);
    static size_t CharOffset(const Paragraph& paragraph, int byteIndex);

    PangoFontDescription* m_pFont = nullptr;
    int m_nWidth = 0;
    // Font metrics, measured when first needed; 0 until then.
    int m_nLineHeight = 0;
    int m_nCharWidth = 1;
    std::vector<std::unique_ptr<Paragraph>> m_vecParagraphs;
    // Cumulative character starts and tops; entries below m_nValid are up to date.
    std::vector<size_t> m_vecStart;
    std::vector<int> m_vecTop;
    size_t m_nValid = 0;
};

} // namespace DuiLib
