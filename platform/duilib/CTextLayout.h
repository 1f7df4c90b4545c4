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
// A paragraph is laid out in pieces, each with its own PangoLayout, made when something first
// needs its lines and dropped when the piece is edited; a piece longer than kPieceChars is cut
// before it is laid out. So the cost of a paint or a keystroke follows what is shown or changed,
// not the length of the text or of its paragraph. (Pango wraps a run without spaces in a time
// that grows with the square of its length, and measures a line in 32-bit units that a paragraph
// of some 90 000 characters overflows at a printer's resolution, so that it stops wrapping.)
// Lines that do not wrap (width 0) keep each paragraph in one piece.
//
// A piece starts where a line starts. It is cut at first where Pango lets a line break (between
// grapheme clusters where a run has no such place); once laid out, together with the next piece's
// first characters, a cut that a line runs across moves back to that line's start, and a piece
// that is part of one line takes the next one in. So lines wrap as in one layout of the whole
// paragraph and none spans two pieces; a piece is laid out after the one before it, and takes its
// paragraph's direction from the first. What a piece's first characters cannot see of the text
// before them (a break rule or a bidi level that depends on it) is the price of this.
//
// Piece tops are cumulative heights; a piece that was never laid out counts with an estimate from
// the font's metrics until it is.
//
// Positions in the text are offsets in wide characters (code points), counting each '\n'; y is
// in pixels from the top of the first paragraph, x from the left edge of the wrapping width.
// Offsets beyond the text are clamped to its end. Not copyable; owns its Pango objects.
//
// A printed copy flows the text over pages with one layout at the paper's width: each page
// shows [y, next) with next = GetLineTop(y + page height), or the text's end when that lies
// within the page (y + page height when one line is taller than the page), painted with
// Paint(dc, x, pageTop - y, y, next, ...); every piece is laid out once, however many pages it
// spans.
class SRCTRL_API CTextLayout {
public:
    // The longest piece that is laid out, in characters (and the line or so that moving a cut
    // back to a line's start adds): what one keystroke reshapes at most.
    static constexpr size_t kPieceChars = 512;

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

    // The font, its size multiplied by `zoom`; a change drops every piece's layout.
    void SetFont(const TFontInfo& font, double zoom);
    // The width at which lines wrap, in pixels; 0 or less keeps each paragraph on one line.
    void SetWidth(int width);
    int GetWidth() const { return m_nWidth; }

    void SetText(const std::wstring& text);
    // Replaces `count` characters at `start` by `with`, as the owner did to its own copy.
    void Replace(size_t start, size_t count, const std::wstring& with);
    size_t GetLength();
    size_t GetParagraphCount() const;

    // The height of paragraphs [first, last), laying them out; the whole text's height when
    // called without arguments counts estimates for pieces not laid out yet.
    int GetHeight(size_t first, size_t last);
    int GetHeight();
    // The height of one line of the font.
    int GetLineHeight();
    // The top of the line that contains `y` (of the last line for a `y` below the text), so
    // that a page or a view can start on a whole line.
    int GetLineTop(int y);
    // Lays out the pieces that meet [y0, y1), so that their heights are exact.
    void Prepare(int y0, int y1);
    // Whether every line's glyphs lie within `width` pixels from the left edge (the wrapping width
    // when 0 or less), laying out the whole text; false also where Pango's measure of a line has
    // overflowed. A glyph may reach a quarter of a line's height beyond, as slanted letters do.
    bool FitsWidth(int width);

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
    struct Piece;
    using Pieces = std::vector<std::unique_ptr<Piece>>;

    // The piece that holds `pos` (or row `y`), laid out with the pieces of its paragraph before
    // it; a position where a line wraps belongs to the piece after.
    size_t LaidOutAt(size_t pos);
    size_t LaidOutAtY(int y);
    // The piece and offset of `pos`, reaching back into the piece before for the start of a
    // piece that continues a paragraph, so that what lies before the position is in one piece.
    void LocateBefore(size_t pos, size_t& index, size_t& offset);
    // Lays out the pieces of the paragraph of `index` up to it; false when that moved characters
    // between pieces or merged them, so that positions must be looked up again.
    bool LayOutUpTo(size_t index);
    // Lays out the piece, the one before it in its paragraph being laid out; false as above.
    bool LayOutPiece(size_t index);
    // The piece's text and, where its paragraph goes on, the next piece's first characters.
    std::string LayoutText(size_t index) const;
    PangoLayout* MakeLayout(PangoContext* context, const std::string& text, bool continued, bool rightToLeft) const;
    // Takes a layout made for the piece; a cut that its last line runs across moves back to that
    // line's start, or the next piece joins this one (which must then be laid out again). False
    // when characters moved between pieces.
    bool Adopt(size_t index, PangoLayout* layout);
    void LayOutWithHelper(size_t first, size_t last);
    // Joins the piece after `index` (of the same paragraph) to it.
    void Merge(size_t index);
    // Cuts a piece longer than kPieceChars in two, at a place a line may break; called until it
    // is short enough.
    void CutOff(size_t index);
    void JoinParagraphs();
    void Invalidate(size_t index);
    void UpdatePrefix(size_t upto);
    void Resized();
    void DropLayouts();
    void EnsureMetrics();
    // A piece's height: exact once laid out, estimated from the font's metrics before.
    int Height(size_t index);
    int EstimateHeight(const Piece& piece);
    bool EndsParagraph(size_t index) const;
    size_t FirstPieceOf(size_t paragraph) const;
    size_t PieceAt(size_t pos);
    size_t PieceAtY(int y);
    size_t Start(size_t index);
    int Top(size_t index);
    // A caret step from the first line of a piece that continues a paragraph onto the line before.
    size_t MoveToLineBefore(size_t index, int byteIndex, int direction);
    // The text position `trailing` characters after a byte index in a piece's layout, which may
    // lie in the next piece's characters that the layout holds.
    size_t PositionOf(size_t index, int byteIndex, int trailing);
    // Byte index inside a piece for a character offset, and back.
    static int ByteIndex(const Piece& piece, size_t offset);
    static size_t CharOffset(const Piece& piece, int byteIndex);

    PangoFontDescription* m_pFont = nullptr;
    int m_nWidth = 0;
    // Font metrics, measured when first needed; 0 until then.
    int m_nLineHeight = 0;
    int m_nCharWidth = 1;
    Pieces m_vecPieces;
    // Cumulative character starts and tops; entries below m_nValid are up to date.
    std::vector<size_t> m_vecStart;
    std::vector<int> m_vecTop;
    size_t m_nValid = 0;
};

} // namespace DuiLib
