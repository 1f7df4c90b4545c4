#include "platform/duilib/CTextLayout.h"

#include "platform/duilib/CPaintManagerUI.h"
#include "platform/kmbase/KMString.h"
#include "platform/win32/DeviceContext.h"

#include <pango/pangocairo.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <system_error>
#include <thread>

namespace DuiLib {

struct CTextLayout::Piece {
    Piece(std::string text, size_t chars, bool startsParagraph)
        : strUtf8(std::move(text)), nChars(chars), bParagraphStart(startsParagraph)
    {
    }
    Piece(const Piece&) = delete;
    Piece& operator=(const Piece&) = delete;
    ~Piece() { DropLayout(); }
    void DropLayout()
    {
        if (pLayout != nullptr) {
            g_object_unref(pLayout);
            pLayout = nullptr;
        }
    }

    std::string strUtf8;
    size_t nChars = 0;
    // The first piece of its paragraph, after a '\n' or at the text's start.
    bool bParagraphStart = true;
    PangoLayout* pLayout = nullptr;
    // While laid out: how many of the layout's lines are the piece's own (the rest show how the
    // next piece's first characters go on), and its paragraph's direction.
    int nLines = 0;
    bool bRightToLeft = false;
    int nHeight = -1;  // exact while pLayout is set, else an estimate, or -1 before one is made
    // Laid out whole, however long, until edited: its first line ran on past where it was cut
    // (a line wider than a piece, or a cluster longer than one), so cutting it again would too.
    bool bWhole = false;
};

namespace {

// Below this much text still to be shaped, a second thread would cost more than it saves.
constexpr size_t kHelperBytes = 128 * 1024;
// How many of the next piece's characters a piece is laid out with, to see where its last line
// ends: more than a word, so that a cut is seldom moved for nothing.
constexpr size_t kLookaheadChars = 32;
// How much text before the places a cut may go Pango's break rules see.
constexpr size_t kCutContext = 32;

size_t CountChars(const char* text, size_t bytes)
{
    return static_cast<size_t>(g_utf8_strlen(text, static_cast<gssize>(bytes)));
}

// Where a piece of `chars` characters is cut near `aim`: where Pango's break attributes let a
// line break, or between grapheme clusters where the text has no such place near, within a
// quarter of kPieceChars of `aim` (which lies that far inside the text).
size_t CutPoint(const char* text, size_t chars, size_t aim)
{
    const size_t low = aim - CTextLayout::kPieceChars / 4;
    const size_t high = aim + CTextLayout::kPieceChars / 4;
    const size_t from = low - kCutContext;
    const size_t to = std::min(chars, high + kCutContext);
    const char* start = g_utf8_offset_to_pointer(text, static_cast<glong>(from));
    const char* end = g_utf8_offset_to_pointer(start, static_cast<glong>(to - from));
    std::vector<PangoLogAttr> attrs(to - from + 1);
    pango_get_log_attrs(start, static_cast<int>(end - start), -1, pango_language_get_default(), attrs.data(),
                        static_cast<int>(attrs.size()));
    const auto distance = [aim](size_t c) { return c > aim ? c - aim : aim - c; };
    for (int kind = 0; kind < 2; ++kind) {
        size_t cut = 0;
        for (size_t c = low + 1; c < high; ++c) {
            const PangoLogAttr& attr = attrs[c - from];
            if ((kind == 0 ? attr.is_line_break : attr.is_cursor_position) && (cut == 0 || distance(c) < distance(cut))) {
                cut = c;
            }
        }
        if (cut != 0) {
            return cut;
        }
    }
    return aim;
}

// Layouts need no target to be measured; every text layout of the thread shares one context
// (the control lives on the host's UI thread). A piece that starts a paragraph finds its
// direction from its text.
PangoContext* SharedContext()
{
    static PangoContext* context = pango_font_map_create_context(pango_cairo_font_map_get_default());
    return context;
}

// A piece that continues a paragraph keeps the direction its first piece found.
PangoContext* DirectedContext(bool rightToLeft)
{
    static PangoContext* const contexts[2] = {
        [] {
            PangoContext* context = pango_font_map_create_context(pango_cairo_font_map_get_default());
            pango_context_set_base_dir(context, PANGO_DIRECTION_LTR);
            return context;
        }(),
        [] {
            PangoContext* context = pango_font_map_create_context(pango_cairo_font_map_get_default());
            pango_context_set_base_dir(context, PANGO_DIRECTION_RTL);
            return context;
        }()};
    return contexts[rightToLeft ? 1 : 0];
}

// A line that breaks inside a word (a run without spaces, such as an identifier) shows no hyphen
// there: a printed copy shows the characters the text holds and no other.
PangoAttrList* WithoutHyphens()
{
    static PangoAttrList* const attributes = [] {
        PangoAttrList* list = pango_attr_list_new();
        pango_attr_list_insert(list, pango_attr_insert_hyphens_new(FALSE));
        return list;
    }();
    return attributes;
}

void SetSourceColor(cairo_t* cr, DWORD color)
{
    cairo_set_source_rgba(cr, ((color >> 16) & 0xFF) / 255.0, ((color >> 8) & 0xFF) / 255.0, (color & 0xFF) / 255.0,
                          ((color >> 24) & 0xFF) / 255.0);
}

// Pango sums a line's glyph widths in 32-bit units of 1/1024 pixel; this sum does not overflow.
int64_t GlyphWidths(const PangoLayoutLine* line)
{
    int64_t width = 0;
    for (const GSList* run = line->runs; run != nullptr; run = run->next) {
        const PangoGlyphString* glyphs = static_cast<const PangoGlyphItem*>(run->data)->glyphs;
        for (int g = 0; g < glyphs->num_glyphs; ++g) {
            width += glyphs->glyphs[g].geometry.width;
        }
    }
    return width;
}

} // namespace

void CTextLayout::BeginFontSetup() { SharedContext(); }

void CTextLayout::OpenFont(const TFontInfo& font)
{
    CTextLayout layout;
    layout.SetFont(font, 1.0);
    layout.GetLineHeight();
}

CTextLayout::CTextLayout()
{
    SetFont(TFontInfo{}, 1.0);
    SetText(L"");
}

CTextLayout::~CTextLayout()
{
    m_vecPieces.clear();
    pango_font_description_free(m_pFont);
}

void CTextLayout::SetFont(const TFontInfo& font, double zoom)
{
    PangoFontDescription* description = pango_font_description_new();
    pango_font_description_set_family(description, KMString(font.sFamily).c_str());
    pango_font_description_set_absolute_size(description, std::max(1.0, font.iSize * zoom) * PANGO_SCALE);
    pango_font_description_set_weight(description, font.bBold ? PANGO_WEIGHT_BOLD : PANGO_WEIGHT_NORMAL);
    pango_font_description_set_style(description, font.bItalic ? PANGO_STYLE_ITALIC : PANGO_STYLE_NORMAL);
    if (m_pFont != nullptr && pango_font_description_equal(description, m_pFont)) {
        pango_font_description_free(description);
        return;
    }
    if (m_pFont != nullptr) {
        pango_font_description_free(m_pFont);
    }
    m_pFont = description;
    m_nLineHeight = 0;
    DropLayouts();
}

void CTextLayout::EnsureMetrics()
{
    if (m_nLineHeight > 0) {
        return;
    }
    PangoFontMetrics* metrics = pango_context_get_metrics(SharedContext(), m_pFont, nullptr);
    m_nCharWidth = std::max(1, PANGO_PIXELS(pango_font_metrics_get_approximate_char_width(metrics)));
    pango_font_metrics_unref(metrics);
    PangoLayout* sample = pango_layout_new(SharedContext());
    pango_layout_set_font_description(sample, m_pFont);
    pango_layout_set_text(sample, "Ag", -1);
    PangoRectangle logical{};
    pango_layout_get_pixel_extents(sample, nullptr, &logical);
    m_nLineHeight = std::max(1, logical.height);
    g_object_unref(sample);
}

void CTextLayout::DropLayouts()
{
    for (auto& piece : m_vecPieces) {
        piece->DropLayout();
        piece->nHeight = -1;
        piece->bWhole = false;
    }
    m_nValid = std::min<size_t>(m_nValid, 1);
}

void CTextLayout::SetWidth(int width)
{
    width = std::max(width, 0);
    if (width == m_nWidth) {
        return;
    }
    m_nWidth = width;
    DropLayouts();
    // Lines that do not wrap are one line a paragraph: its pieces join.
    if (width == 0) {
        JoinParagraphs();
    }
}

void CTextLayout::Resized()
{
    m_vecStart.resize(m_vecPieces.size());
    m_vecTop.resize(m_vecPieces.size());
}

void CTextLayout::SetText(const std::wstring& text)
{
    Pieces pieces;
    for (const wchar_t* start = text.data(), *end = start + text.size();;) {
        const wchar_t* stop = std::find(start, end, L'\n');
        const auto chars = static_cast<size_t>(stop - start);
        pieces.push_back(std::make_unique<Piece>(KMString::ToUtf8(start, chars), chars, true));
        if (stop == end) {
            break;
        }
        start = stop + 1;
    }
    m_vecPieces.swap(pieces);
    Resized();
    m_nValid = 1;
}

void CTextLayout::JoinParagraphs()
{
    Pieces joined;
    for (auto& piece : m_vecPieces) {
        if (piece->bParagraphStart) {
            joined.push_back(std::move(piece));
        } else {
            joined.back()->strUtf8 += piece->strUtf8;
            joined.back()->nChars += piece->nChars;
        }
    }
    m_vecPieces.swap(joined);
    Resized();
    m_nValid = 1;
}

void CTextLayout::Merge(size_t index)
{
    Piece& piece = *m_vecPieces[index];
    const Piece& next = *m_vecPieces[index + 1];
    piece.strUtf8 += next.strUtf8;
    piece.nChars += next.nChars;
    piece.DropLayout();
    m_vecPieces.erase(m_vecPieces.begin() + static_cast<std::ptrdiff_t>(index + 1));
    Resized();
    Invalidate(index);
}

void CTextLayout::CutOff(size_t index)
{
    // A long piece (a paragraph just set or pasted) is halved until its first part is short, so
    // that laying out the whole paragraph copies its text a few times, not once per piece.
    // Some three quarters of kPieceChars in, typing fills a piece for a while before it is cut
    // again.
    Piece& piece = *m_vecPieces[index];
    const size_t aim = piece.nChars > 2 * kPieceChars ? piece.nChars / 2 : kPieceChars * 3 / 4;
    const size_t cut = CutPoint(piece.strUtf8.c_str(), piece.nChars, aim);
    const auto bytes = static_cast<size_t>(ByteIndex(piece, cut));
    auto rest = std::make_unique<Piece>(piece.strUtf8.substr(bytes), piece.nChars - cut, false);
    piece.strUtf8.resize(bytes);
    piece.nChars = cut;
    piece.nHeight = -1;
    m_vecPieces.insert(m_vecPieces.begin() + static_cast<std::ptrdiff_t>(index + 1), std::move(rest));
    Resized();
    Invalidate(index);
}

void CTextLayout::Replace(size_t start, size_t count, const std::wstring& with)
{
    const size_t length = GetLength();
    start = std::min(start, length);
    count = std::min(count, length - start);
    const size_t first = PieceAt(start);
    const size_t last = PieceAt(start + count);
    const size_t offset = start - Start(first);
    // The piece before saw the first characters of this one as they were.
    if (!m_vecPieces[first]->bParagraphStart && offset < kLookaheadChars) {
        m_vecPieces[first - 1]->DropLayout();
    }
    if (first == last && with.find(L'\n') == std::wstring::npos) {
        // The old height stays as the estimate until the piece is laid out again (and cut, when
        // it has grown too long).
        Piece& piece = *m_vecPieces[first];
        const auto from = static_cast<size_t>(ByteIndex(piece, offset));
        const auto to = static_cast<size_t>(ByteIndex(piece, offset + count));
        piece.strUtf8.replace(from, to - from, KMString::ToUtf8(with.data(), with.size()));
        piece.nChars = piece.nChars - count + with.size();
        piece.bWhole = false;
        piece.DropLayout();
        Invalidate(first);
        return;
    }
    // The pieces the change meets become one piece for each paragraph it leaves.
    std::string text;
    for (size_t i = first; i <= last; ++i) {
        text += m_vecPieces[i]->strUtf8;
        if (i < last && EndsParagraph(i)) {
            text += '\n';
        }
    }
    const char* head = g_utf8_offset_to_pointer(text.c_str(), static_cast<glong>(offset));
    const char* tail = g_utf8_offset_to_pointer(head, static_cast<glong>(count));
    text.replace(static_cast<size_t>(head - text.c_str()), static_cast<size_t>(tail - head),
                 KMString::ToUtf8(with.data(), with.size()));
    Pieces pieces;
    for (size_t begin = 0;;) {
        const size_t end = std::min(text.find('\n', begin), text.size());
        const bool startsParagraph = begin > 0 || m_vecPieces[first]->bParagraphStart;
        pieces.push_back(std::make_unique<Piece>(text.substr(begin, end - begin),
                                                 CountChars(text.data() + begin, end - begin), startsParagraph));
        if (end == text.size()) {
            break;
        }
        begin = end + 1;
    }
    const auto at = m_vecPieces.begin() + static_cast<std::ptrdiff_t>(first);
    m_vecPieces.erase(at, at + static_cast<std::ptrdiff_t>(last - first + 1));
    m_vecPieces.insert(m_vecPieces.begin() + static_cast<std::ptrdiff_t>(first), std::make_move_iterator(pieces.begin()),
                       std::make_move_iterator(pieces.end()));
    Resized();
    Invalidate(first);
}

size_t CTextLayout::GetLength()
{
    const size_t last = m_vecPieces.size() - 1;
    return Start(last) + m_vecPieces[last]->nChars;
}

size_t CTextLayout::GetParagraphCount() const
{
    return static_cast<size_t>(std::count_if(m_vecPieces.begin(), m_vecPieces.end(),
                                              [](const std::unique_ptr<Piece>& piece) { return piece->bParagraphStart; }));
}

int CTextLayout::GetHeight(size_t first, size_t last)
{
    const size_t from = FirstPieceOf(first);
    // Laying out moves characters only between pieces of one paragraph: the pieces after the
    // range stay as many.
    const size_t after = m_vecPieces.size() - FirstPieceOf(last);
    LayOutWithHelper(from, m_vecPieces.size() - after);
    int height = 0;
    for (size_t i = from; i + after < m_vecPieces.size(); ++i) {
        LayOutPiece(i);
        height += Height(i);
    }
    return height;
}

int CTextLayout::GetHeight()
{
    const size_t last = m_vecPieces.size() - 1;
    return Top(last) + Height(last);
}

int CTextLayout::GetLineHeight()
{
    EnsureMetrics();
    return m_nLineHeight;
}

int CTextLayout::GetLineTop(int y)
{
    const size_t index = LaidOutAtY(y);
    const Piece& piece = *m_vecPieces[index];
    const int top = Top(index);
    const int local = (y - top) * PANGO_SCALE;
    PangoLayoutIter* iter = pango_layout_get_iter(piece.pLayout);
    int lineTop = 0;
    for (int line = 0; line < piece.nLines; ++line) {
        int y0 = 0;
        int y1 = 0;
        pango_layout_iter_get_line_yrange(iter, &y0, &y1);
        lineTop = y0;
        if (local < y1 || !pango_layout_iter_next_line(iter)) {
            break;
        }
    }
    pango_layout_iter_free(iter);
    return top + PANGO_PIXELS_FLOOR(lineTop);
}

void CTextLayout::Prepare(int y0, int y1)
{
    for (size_t i = LaidOutAtY(y0); i < m_vecPieces.size() && Top(i) < y1; ++i) {
        LayOutPiece(i);
    }
}

bool CTextLayout::FitsWidth(int width)
{
    width = width > 0 ? width : m_nWidth;
    const int slack = GetLineHeight() / 4;
    for (size_t i = 0; i < m_vecPieces.size(); ++i) {
        LayOutPiece(i);
        const Piece& piece = *m_vecPieces[i];
        PangoLayoutIter* iter = pango_layout_get_iter(piece.pLayout);
        bool fits = true;
        for (int line = 0; fits && line < piece.nLines; ++line) {
            PangoRectangle ink{};
            pango_layout_iter_get_line_extents(iter, &ink, nullptr);
            pango_extents_to_pixels(&ink, nullptr);
            fits = GlyphWidths(pango_layout_iter_get_line_readonly(iter)) < INT_MAX / 2 &&
                   (ink.width <= 0 || (ink.x >= -slack && ink.x + ink.width <= width + slack));
            pango_layout_iter_next_line(iter);
        }
        pango_layout_iter_free(iter);
        if (!fits) {
            return false;
        }
    }
    return true;
}

void CTextLayout::Paint(HDC hDC, int x, int y, int y0, int y1, DWORD color, size_t selStart, size_t selEnd,
                        DWORD selColor)
{
    cairo_t* cr = platform::GetCairo(hDC);
    if (cr == nullptr || (color >> 24) == 0) {
        return;
    }
    for (size_t i = LaidOutAtY(y0); i < m_vecPieces.size(); ++i) {
        LayOutPiece(i);
        const int top = Top(i);
        if (top >= y1) {
            break;
        }
        const Piece& piece = *m_vecPieces[i];
        const size_t start = Start(i);
        const bool selected = selEnd > selStart && selStart <= start + piece.nChars && selEnd > start;
        const int selFrom = selected ? ByteIndex(piece, selStart > start ? selStart - start : 0) : 0;
        const int selTo = selected ? ByteIndex(piece, std::min(selEnd - start, piece.nChars)) : 0;
        PangoLayoutIter* iter = pango_layout_get_iter(piece.pLayout);
        for (int index = 0; index < piece.nLines; ++index, pango_layout_iter_next_line(iter)) {
            int lineTop = 0;
            int lineBottom = 0;
            pango_layout_iter_get_line_yrange(iter, &lineTop, &lineBottom);
            const double lineY = y + top + lineTop / static_cast<double>(PANGO_SCALE);
            if (top + PANGO_PIXELS_CEIL(lineBottom) <= y0) {
                continue;
            }
            if (top + PANGO_PIXELS_FLOOR(lineTop) >= y1) {
                break;
            }
            PangoLayoutLine* line = pango_layout_iter_get_line_readonly(iter);
            if (selected && selFrom < line->start_index + line->length && selTo > line->start_index) {
                int* ranges = nullptr;
                int count = 0;
                pango_layout_line_get_x_ranges(line, std::max(selFrom, line->start_index),
                                               std::min(selTo, line->start_index + line->length), &ranges, &count);
                SetSourceColor(cr, selColor);
                for (int r = 0; r < count; ++r) {
                    const double left = x + ranges[2 * r] / static_cast<double>(PANGO_SCALE);
                    const double width = (ranges[2 * r + 1] - ranges[2 * r]) / static_cast<double>(PANGO_SCALE);
                    cairo_rectangle(cr, left, lineY, std::max(width, 1.0),
                                    (lineBottom - lineTop) / static_cast<double>(PANGO_SCALE));
                }
                cairo_fill(cr);
                g_free(ranges);
            }
            PangoRectangle logical{};
            pango_layout_iter_get_line_extents(iter, nullptr, &logical);
            SetSourceColor(cr, color);
            cairo_move_to(cr, x + logical.x / static_cast<double>(PANGO_SCALE),
                          y + top + pango_layout_iter_get_baseline(iter) / static_cast<double>(PANGO_SCALE));
            pango_cairo_show_layout_line(cr, line);
        }
        pango_layout_iter_free(iter);
    }
}

RECT CTextLayout::GetCaretRect(size_t pos)
{
    const size_t index = LaidOutAt(pos);
    PangoRectangle strong{};
    pango_layout_get_cursor_pos(m_vecPieces[index]->pLayout, ByteIndex(*m_vecPieces[index], pos - Start(index)), &strong,
                                nullptr);
    const int top = Top(index) + PANGO_PIXELS_FLOOR(strong.y);
    const int x = PANGO_PIXELS(strong.x);
    return RECT{x, top, x, top + std::max(1, PANGO_PIXELS_CEIL(strong.height))};
}

size_t CTextLayout::HitTest(int x, int y)
{
    const size_t index = LaidOutAtY(y);
    const Piece& piece = *m_vecPieces[index];
    const int local = std::clamp(y - Top(index), 0, std::max(0, Height(index) - 1));
    int byteIndex = 0;
    int trailing = 0;
    pango_layout_xy_to_index(piece.pLayout, x * PANGO_SCALE, local * PANGO_SCALE, &byteIndex, &trailing);
    return Start(index) + std::min(CharOffset(piece, byteIndex) + static_cast<size_t>(trailing), piece.nChars);
}

size_t CTextLayout::MoveVisually(size_t pos, int direction)
{
    const size_t index = LaidOutAt(pos);
    const Piece& piece = *m_vecPieces[index];
    const int byteIndex = ByteIndex(piece, pos - Start(index));
    int newIndex = 0;
    int trailing = 0;
    pango_layout_move_cursor_visually(piece.pLayout, TRUE, byteIndex, 0, direction < 0 ? -1 : 1, &newIndex, &trailing);
    // Leaving a paragraph goes to the neighbour in logical order, as the paragraph's own lines do.
    if (newIndex < 0 && !piece.bParagraphStart) {
        return MoveToLineBefore(index, byteIndex, direction);
    }
    if (newIndex < 0) {
        return index > 0 ? Start(index) - 1 : pos;
    }
    if (newIndex == G_MAXINT) {
        return index + 1 < m_vecPieces.size() ? Start(index + 1) : pos;
    }
    return PositionOf(index, newIndex, trailing);
}

size_t CTextLayout::MoveToLineBefore(size_t index, int byteIndex, int direction)
{
    // Where Pango puts the caret on the line before depends on the whole of the line it leaves,
    // and on whether that line ends the paragraph: the step is taken in a layout of the line
    // before and this piece.
    const Piece& before = *m_vecPieces[index - 1];
    const Piece& piece = *m_vecPieces[index];
    const int lineStart = pango_layout_get_line_readonly(before.pLayout, before.nLines - 1)->start_index;
    const std::string tail = before.strUtf8.substr(static_cast<size_t>(lineStart));
    PangoLayout* lines =
        MakeLayout(DirectedContext(piece.bRightToLeft), tail + LayoutText(index), true, piece.bRightToLeft);
    int newIndex = 0;
    int trailing = 0;
    pango_layout_move_cursor_visually(lines, TRUE, static_cast<int>(tail.size()) + byteIndex, 0, direction < 0 ? -1 : 1,
                                      &newIndex, &trailing);
    const char* text = pango_layout_get_text(lines);
    const auto moved = static_cast<size_t>(g_utf8_pointer_to_offset(text, text + std::max(0, newIndex)));
    g_object_unref(lines);
    return Start(index - 1) + CharOffset(before, lineStart) + moved + static_cast<size_t>(trailing);
}

size_t CTextLayout::NextCursor(size_t pos)
{
    const size_t index = LaidOutAt(pos);
    const Piece& piece = *m_vecPieces[index];
    size_t offset = pos - Start(index);
    if (offset >= piece.nChars) {
        return index + 1 < m_vecPieces.size() ? Start(index + 1) : Start(index) + piece.nChars;
    }
    int count = 0;
    const PangoLogAttr* attrs = pango_layout_get_log_attrs_readonly(piece.pLayout, &count);
    do {
        ++offset;
    } while (offset < piece.nChars && !attrs[offset].is_cursor_position);
    return Start(index) + offset;
}

void CTextLayout::LocateBefore(size_t pos, size_t& index, size_t& offset)
{
    index = LaidOutAt(pos);
    offset = std::min(pos - Start(index), m_vecPieces[index]->nChars);
    if (offset == 0 && !m_vecPieces[index]->bParagraphStart) {
        --index;
        offset = m_vecPieces[index]->nChars;
    }
}

size_t CTextLayout::PrevCursor(size_t pos)
{
    size_t index = 0;
    size_t offset = 0;
    LocateBefore(pos, index, offset);
    if (offset == 0) {
        return index > 0 ? Start(index) - 1 : 0;
    }
    int count = 0;
    const PangoLogAttr* attrs = pango_layout_get_log_attrs_readonly(m_vecPieces[index]->pLayout, &count);
    do {
        --offset;
    } while (offset > 0 && !attrs[offset].is_cursor_position);
    return Start(index) + offset;
}

size_t CTextLayout::BackspaceStart(size_t pos)
{
    size_t index = 0;
    size_t offset = 0;
    LocateBefore(pos, index, offset);
    if (offset == 0) {
        return index > 0 ? Start(index) - 1 : 0;
    }
    const Piece& piece = *m_vecPieces[index];
    int count = 0;
    const PangoLogAttr* attrs = pango_layout_get_log_attrs_readonly(piece.pLayout, &count);
    // A mark that ends the cluster goes alone where Pango's attributes allow it; a flag, a
    // joined emoji or a base letter goes whole, never in halves.
    const char* text = piece.strUtf8.c_str();
    const gunichar last = g_utf8_get_char(g_utf8_prev_char(text + ByteIndex(piece, offset)));
    if (attrs[offset].backspace_deletes_character && g_unichar_ismark(last)) {
        return Start(index) + offset - 1;
    }
    return PrevCursor(pos);
}

size_t CTextLayout::MoveByWord(size_t pos, int direction)
{
    size_t index = 0;
    size_t offset = 0;
    if (direction > 0) {
        index = LaidOutAt(pos);
        offset = std::min(pos - Start(index), m_vecPieces[index]->nChars);
        if (offset == m_vecPieces[index]->nChars) {
            return NextCursor(pos);
        }
    } else {
        LocateBefore(pos, index, offset);
        if (offset == 0) {
            return PrevCursor(pos);
        }
    }
    // A piece's own attributes do not see the text before it: whether a word starts where a
    // piece continues a paragraph is read from the piece before, whose layout holds both sides.
    for (;;) {
        const Piece& piece = *m_vecPieces[index];
        int count = 0;
        const PangoLogAttr* attrs = pango_layout_get_log_attrs_readonly(piece.pLayout, &count);
        if (direction > 0) {
            do {
                ++offset;
            } while (offset < piece.nChars && !attrs[offset].is_word_start);
            if (offset < piece.nChars || EndsParagraph(index) || attrs[offset].is_word_start) {
                return Start(index) + offset;
            }
            LayOutPiece(++index);
            offset = 0;
        } else {
            do {
                --offset;
            } while (offset > 0 && !attrs[offset].is_word_start);
            if (offset > 0 || piece.bParagraphStart) {
                return Start(index) + offset;
            }
            --index;
            offset = m_vecPieces[index]->nChars;
            int before = 0;
            if (pango_layout_get_log_attrs_readonly(m_vecPieces[index]->pLayout, &before)[offset].is_word_start) {
                return Start(index) + offset;
            }
        }
    }
}

size_t CTextLayout::LineStart(size_t pos)
{
    const size_t index = LaidOutAt(pos);
    const Piece& piece = *m_vecPieces[index];
    int line = 0;
    int x = 0;
    pango_layout_index_to_line_x(piece.pLayout, ByteIndex(piece, pos - Start(index)), FALSE, &line, &x);
    return Start(index) + CharOffset(piece, pango_layout_get_line_readonly(piece.pLayout, line)->start_index);
}

size_t CTextLayout::LineEnd(size_t pos)
{
    const size_t index = LaidOutAt(pos);
    const Piece& piece = *m_vecPieces[index];
    int line = 0;
    int x = 0;
    pango_layout_index_to_line_x(piece.pLayout, ByteIndex(piece, pos - Start(index)), FALSE, &line, &x);
    const PangoLayoutLine* lineObject = pango_layout_get_line_readonly(piece.pLayout, line);
    const size_t end = Start(index) + CharOffset(piece, lineObject->start_index + lineObject->length);
    // A wrapped line ends before the character it wrapped at, so that the caret stays on it.
    const bool wrapped = line + 1 < piece.nLines || !EndsParagraph(index);
    if (wrapped && end > LineStart(pos)) {
        return PrevCursor(end);
    }
    return end;
}

size_t CTextLayout::LaidOutAt(size_t pos)
{
    for (;;) {
        const size_t index = PieceAt(pos);
        if (LayOutUpTo(index)) {
            return index;
        }
    }
}

size_t CTextLayout::LaidOutAtY(int y)
{
    // Laying a piece out makes its height exact, which may bring another piece to `y`.
    for (;;) {
        const size_t index = PieceAtY(y);
        if (LayOutUpTo(index) && PieceAtY(y) == index) {
            return index;
        }
    }
}

bool CTextLayout::LayOutUpTo(size_t index)
{
    size_t from = index;
    while (!m_vecPieces[from]->bParagraphStart) {
        --from;
    }
    while (from < index && m_vecPieces[from]->pLayout != nullptr) {
        ++from;
    }
    const size_t count = m_vecPieces.size();
    bool kept = true;
    for (size_t i = from; i <= index && i < m_vecPieces.size(); ++i) {
        kept = LayOutPiece(i) && kept;
    }
    return kept && count == m_vecPieces.size();
}

bool CTextLayout::LayOutPiece(size_t index)
{
    bool kept = true;
    while (m_vecPieces[index]->pLayout == nullptr) {
        while (m_nWidth > 0 && !m_vecPieces[index]->bWhole && m_vecPieces[index]->nChars > kPieceChars) {
            CutOff(index);
            kept = false;
        }
        const bool continued = !m_vecPieces[index]->bParagraphStart;
        const bool rightToLeft = continued && m_vecPieces[index - 1]->bRightToLeft;
        PangoContext* context = continued ? DirectedContext(rightToLeft) : SharedContext();
        kept = Adopt(index, MakeLayout(context, LayoutText(index), continued, rightToLeft)) && kept;
    }
    return kept;
}

std::string CTextLayout::LayoutText(size_t index) const
{
    const Piece& piece = *m_vecPieces[index];
    if (EndsParagraph(index)) {
        return piece.strUtf8;
    }
    const Piece& next = *m_vecPieces[index + 1];
    const char* end = g_utf8_offset_to_pointer(next.strUtf8.c_str(),
                                               static_cast<glong>(std::min(next.nChars, kLookaheadChars)));
    return piece.strUtf8 + std::string(next.strUtf8.c_str(), end);
}

PangoLayout* CTextLayout::MakeLayout(PangoContext* context, const std::string& text, bool continued,
                                     bool rightToLeft) const
{
    PangoLayout* layout = pango_layout_new(context);
    pango_layout_set_font_description(layout, m_pFont);
    if (continued) {
        pango_layout_set_auto_dir(layout, FALSE);
        pango_layout_set_alignment(layout, rightToLeft ? PANGO_ALIGN_RIGHT : PANGO_ALIGN_LEFT);
    }
    if (m_nWidth > 0) {
        pango_layout_set_width(layout, m_nWidth * PANGO_SCALE);
        pango_layout_set_wrap(layout, PANGO_WRAP_WORD_CHAR);
        pango_layout_set_attributes(layout, WithoutHyphens());
    }
    pango_layout_set_text(layout, text.data(), static_cast<int>(text.size()));
    // Asking for the extents shapes the text, here rather than in whoever paints it.
    PangoRectangle logical{};
    pango_layout_get_pixel_extents(layout, nullptr, &logical);
    return layout;
}

bool CTextLayout::Adopt(size_t index, PangoLayout* layout)
{
    Piece& piece = *m_vecPieces[index];
    piece.pLayout = layout;
    piece.bRightToLeft = pango_layout_get_line_readonly(layout, 0)->resolved_dir == PANGO_DIRECTION_RTL;
    piece.nLines = pango_layout_get_line_count(layout);
    bool kept = true;
    if (!EndsParagraph(index)) {
        Piece& next = *m_vecPieces[index + 1];
        if (next.bRightToLeft != piece.bRightToLeft) {
            next.DropLayout();
        }
        // The first line that starts at or after the piece's end.
        const auto own = static_cast<int>(piece.strUtf8.size());
        int line = 0;
        const PangoLayoutLine* before = nullptr;
        const PangoLayoutLine* at = nullptr;
        for (const GSList* it = pango_layout_get_lines_readonly(layout); it != nullptr; it = it->next, ++line) {
            at = static_cast<const PangoLayoutLine*>(it->data);
            if (at->start_index >= own) {
                break;
            }
            before = at;
            at = nullptr;
        }
        if (at == nullptr || at->start_index != own) {
            kept = false;
            next.DropLayout();
            if (before->start_index == 0) {
                // The piece is part of a line that goes on: the next piece joins it.
                Merge(index);
                m_vecPieces[index]->bWhole = true;
                return false;
            }
            // The line that the cut runs across goes to the next piece.
            --line;
            const auto cut = static_cast<size_t>(before->start_index);
            const size_t moved = CountChars(piece.strUtf8.data() + cut, piece.strUtf8.size() - cut);
            next.strUtf8.insert(0, piece.strUtf8, cut, std::string::npos);
            next.nChars += moved;
            piece.strUtf8.resize(cut);
            piece.nChars -= moved;
            Invalidate(index);
        }
        piece.nLines = line;
    }
    PangoLayoutIter* iter = pango_layout_get_iter(layout);
    for (int i = 1; i < piece.nLines; ++i) {
        pango_layout_iter_next_line(iter);
    }
    int top = 0;
    int bottom = 0;
    pango_layout_iter_get_line_yrange(iter, &top, &bottom);
    pango_layout_iter_free(iter);
    const int height = std::max(PANGO_PIXELS_CEIL(bottom), GetLineHeight());
    if (height != piece.nHeight) {
        piece.nHeight = height;
        Invalidate(index);
    }
    return kept;
}

void CTextLayout::LayOutWithHelper(size_t first, size_t last)
{
    size_t bytes = 0;
    for (size_t i = first; i < last; ++i) {
        bytes += m_vecPieces[i]->pLayout == nullptr ? m_vecPieces[i]->strUtf8.size() : 0;
    }
    if (bytes < kHelperBytes || std::thread::hardware_concurrency() < 2) {
        return;
    }
    // The helper takes the later half of the text, from a paragraph's start; of each of its
    // paragraphs it lays out the first piece, since every other piece waits for the one before.
    // Pango wants a font map per thread: the helper's own is kept alive by the layouts it makes,
    // which this thread adopts once the helper has ended and uses alone from then on.
    GetLineHeight();
    size_t split = last;
    for (size_t half = 0; split > first && half < bytes / 2;) {
        --split;
        half += m_vecPieces[split]->pLayout == nullptr ? m_vecPieces[split]->strUtf8.size() : 0;
    }
    while (split > first && !m_vecPieces[split]->bParagraphStart) {
        --split;
    }
    std::vector<size_t> pending;
    std::vector<std::string> texts;
    const size_t after = m_vecPieces.size() - last;
    for (size_t i = std::max(split, first + 1); i + after < m_vecPieces.size(); ++i) {
        if (m_vecPieces[i]->bParagraphStart && m_vecPieces[i]->pLayout == nullptr) {
            while (m_nWidth > 0 && !m_vecPieces[i]->bWhole && m_vecPieces[i]->nChars > kPieceChars) {
                CutOff(i);
            }
            pending.push_back(i);
            texts.push_back(LayoutText(i));
        }
    }
    if (pending.empty()) {
        return;
    }
    split = pending.front();
    std::vector<PangoLayout*> made(pending.size(), nullptr);
    std::thread helper;
    try {
        helper = std::thread([&] {
            PangoFontMap* fonts = pango_cairo_font_map_new();
            PangoContext* context = pango_font_map_create_context(fonts);
            g_object_unref(fonts);
            for (size_t k = 0; k < made.size(); ++k) {
                made[k] = MakeLayout(context, texts[k], false, false);
            }
            g_object_unref(context);
        });
    } catch (const std::system_error&) {
        return;
    }
    const size_t count = m_vecPieces.size();
    try {
        // Laying out the pieces below `split` cuts and merges them, which moves the helper's.
        for (size_t i = first; i + count < split + m_vecPieces.size(); ++i) {
            LayOutPiece(i);
        }
    } catch (...) {
        helper.join();
        for (PangoLayout* layout : made) {
            g_object_unref(layout);
        }
        throw;
    }
    helper.join();
    // From the last, so that a piece merging with the next leaves the earlier ones where they were.
    for (size_t k = made.size(); k-- > 0;) {
        Adopt(pending[k] + m_vecPieces.size() - count, made[k]);
    }
}

void CTextLayout::Invalidate(size_t index)
{
    m_nValid = std::min(m_nValid, index + 1);
}

void CTextLayout::UpdatePrefix(size_t upto)
{
    for (size_t i = std::max<size_t>(m_nValid, 1); i <= upto; ++i) {
        const Piece& previous = *m_vecPieces[i - 1];
        m_vecStart[i] = m_vecStart[i - 1] + previous.nChars + (m_vecPieces[i]->bParagraphStart ? 1 : 0);
        m_vecTop[i] = m_vecTop[i - 1] + Height(i - 1);
    }
    m_nValid = std::max(m_nValid, upto + 1);
}

int CTextLayout::Height(size_t index)
{
    Piece& piece = *m_vecPieces[index];
    if (piece.nHeight < 0) {
        piece.nHeight = EstimateHeight(piece);
    }
    return piece.nHeight;
}

int CTextLayout::EstimateHeight(const Piece& piece)
{
    EnsureMetrics();
    if (m_nWidth <= 0) {
        return m_nLineHeight;
    }
    const size_t perLine = std::max<size_t>(1, static_cast<size_t>(m_nWidth / m_nCharWidth));
    const size_t lines = std::max<size_t>(1, (piece.nChars + perLine - 1) / perLine);
    return static_cast<int>(std::min<size_t>(lines * static_cast<size_t>(m_nLineHeight), 1u << 24));
}

bool CTextLayout::EndsParagraph(size_t index) const
{
    return index + 1 == m_vecPieces.size() || m_vecPieces[index + 1]->bParagraphStart;
}

size_t CTextLayout::FirstPieceOf(size_t paragraph) const
{
    size_t seen = 0;
    for (size_t i = 0; i < m_vecPieces.size(); ++i) {
        if (m_vecPieces[i]->bParagraphStart && seen++ == paragraph) {
            return i;
        }
    }
    return m_vecPieces.size();
}

size_t CTextLayout::Start(size_t index)
{
    UpdatePrefix(index);
    return m_vecStart[index];
}

int CTextLayout::Top(size_t index)
{
    UpdatePrefix(index);
    return m_vecTop[index];
}

size_t CTextLayout::PieceAt(size_t pos)
{
    UpdatePrefix(m_vecPieces.size() - 1);
    const auto it = std::upper_bound(m_vecStart.begin(), m_vecStart.end(), pos);
    return static_cast<size_t>(it - m_vecStart.begin()) - 1;
}

size_t CTextLayout::PieceAtY(int y)
{
    UpdatePrefix(m_vecPieces.size() - 1);
    const auto it = std::upper_bound(m_vecTop.begin(), m_vecTop.end(), y);
    return it == m_vecTop.begin() ? 0 : static_cast<size_t>(it - m_vecTop.begin()) - 1;
}

size_t CTextLayout::PositionOf(size_t index, int byteIndex, int trailing)
{
    const char* text = pango_layout_get_text(m_vecPieces[index]->pLayout);
    const char* end = text + std::strlen(text);
    const char* at = text + std::clamp<ptrdiff_t>(byteIndex, 0, end - text);
    const size_t offset = static_cast<size_t>(g_utf8_pointer_to_offset(text, at)) + static_cast<size_t>(trailing);
    return Start(index) + std::min(offset, CountChars(text, static_cast<size_t>(end - text)));
}

int CTextLayout::ByteIndex(const Piece& piece, size_t offset)
{
    const char* text = piece.strUtf8.c_str();
    const auto clamped = static_cast<glong>(std::min(offset, piece.nChars));
    return static_cast<int>(g_utf8_offset_to_pointer(text, clamped) - text);
}

size_t CTextLayout::CharOffset(const Piece& piece, int byteIndex)
{
    const char* text = piece.strUtf8.c_str();
    const int clamped = std::clamp(byteIndex, 0, static_cast<int>(piece.strUtf8.size()));
    return static_cast<size_t>(g_utf8_pointer_to_offset(text, text + clamped));
}

} // namespace DuiLib
