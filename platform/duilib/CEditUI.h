#pragma once

#include "platform/duilib/CControlUI.h"
#include "platform/duilib/CScrollBar.h"
#include "platform/duilib/CSpellMarks.h"
#include "platform/duilib/TEditingRequest.h"
#include "platform/duilib/CTextLayout.h"
#include "platform/duilib/CUndoHistory.h"
#include "platform/duilib/ITextEditUI.h"

#include <functional>
#include <string>
#include <vector>

namespace DuiLib {

// A single-line text field that a person types into, as in a desktop text editor: a blinking
// caret that stops at grapheme clusters (so an emoji, a flag or a letter with its accent is one
// step) and takes its place from Pango, so that right-to-left text behaves as it should; Ctrl
// with Left and Right moves by word, Ctrl with Home and End to the text's start and end;
// selection with Shift and the arrow keys or by dragging, Ctrl+A, and copy, cut and paste (Ctrl+C,
// Ctrl+X, Ctrl+V) through the paint manager's clipboard. The view scrolls sideways to keep the
// caret visible. A selection is shown while the field has the focus, and in grey while the
// window is away (a menu, a find dialog); a selection made by a person becomes the primary
// selection, which the middle button pastes. A press inside the selection drags it to another
// place of the text (a copy with Ctrl held).
//
// Ctrl+Z undoes and Ctrl+Shift+Z or Ctrl+Y redoes a person's changes, step by step (see
// CUndoHistory for what makes a step). The history lasts as long as the field: SetText from the
// program (a host's value, a document filled into the page) clears it, since what it recorded
// no longer fits the text; a new template builds new fields, with new histories. An undone or
// redone change is told to listeners as a typed one is.
//
// A person's typing changes the text and sends "textchanged" at each change; in a text longer
// than 64 K characters, once typing pauses for 300 ms, when the focus leaves, or when
// FlushTextChanged is called (before the text is read for storing), since a listener reads the
// whole text. Enter sends "return". SetText from the program sends nothing. Positions (caret, selection) are offsets in
// the text's wide characters.
class SRCTRL_API CEditUI : public CControlUI, public ITextEditUI {
public:
    // Whether a character may be typed or pasted into the field.
    using CharFilter = std::function<bool(wchar_t)>;

    CEditUI();
    ~CEditUI() override;
    LPCTSTR GetClass() const override;
    // Replaces the text and clears the undo history; the caret goes to its end, with nothing
    // selected.
    void SetText(LPCTSTR text) override;
    void SetPos(RECT rc, bool bNeedInvalidate = true) override;
    void DoEvent(TEventUI& event) override;
    bool IsFocusable() const override { return IsEnabled(); }
    void SetAttribute(LPCTSTR name, LPCTSTR value) override;

    // A read-only field can be focused, its caret moved and its text selected and copied, but
    // nothing typed, cut or pasted changes it.
    void SetReadOnly(bool readOnly) { m_bReadOnly = readOnly; }
    bool IsReadOnly() const { return m_bReadOnly; }
    // The longest text, in wide characters, that typing or pasting may make: a key or a paste
    // that would exceed it changes nothing. Text from SetText is never cut.
    void SetMaxChar(size_t maxChars) { m_nMaxChars = maxChars; }
    size_t GetMaxChar() const { return m_nMaxChars; }
    // Characters that the filter refuses cannot be typed; a paste that holds one changes
    // nothing. An empty filter accepts every character.
    void SetCharFilter(CharFilter filter) { m_filter = std::move(filter); }

    // ITextEditUI
    bool CanEdit(EditCommand command) override;
    bool Edit(EditCommand command) override;
    bool InsertText(const std::wstring& text, TextChange kind) override;
    bool PasteSelectionAt(POINT pt) override;
    RECT GetCaretRect() override { return GetCaretPos(); }

    // The misspelt word at the caret: its corrections, a correction put in, or the word accepted
    // (see SpellingRequest). False when the caret is at no misspelt word of a checked field.
    bool Spelling(SpellingRequest& request);
    // Canned texts: the list the field offers, or one inserted (see SnippetRequest).
    bool Snippet(SnippetRequest& request);
    // Tab (forward) or Shift+Tab pressed in the field: true when it expanded a trigger or went to
    // a field of a canned text; false when the focus should move on.
    bool TakeTab(bool forward);

    // Finds, replaces, or replaces every match (as one undo step) of the request's text, after
    // the selection and wrapping; false when nothing was found.
    bool FindText(platform::TextSearchRequest& request);
    // Bytes that the field's undo history holds.
    size_t GetUndoMemoryUsage() const { return m_history.GetMemoryUsage(); }

    // Sends the "textchanged" that a long text holds back while a person types, if any.
    void FlushTextChanged();
    bool HasPendingChange() const { return m_bChangePending; }
    // The text itself, valid until it next changes: what GetText copies (a finding may be
    // megabytes).
    const std::wstring& GetTextView() const { return m_sText.Str(); }

    size_t GetCaret() const { return m_nCaret; }
    // The selection as [start, end); empty when start == end.
    void GetSel(size_t& start, size_t& end) const;
    // Selects from `anchor` to `caret` (each clamped to the text and moved back to a caret stop,
    // so that no cluster is cut) and scrolls the caret into view.
    void SetSel(size_t anchor, size_t caret);
    CDuiString GetSelText() const;
    // The caret's line in window coordinates, as it is drawn (x, top, x, bottom).
    RECT GetCaretPos();
    // How far the text is scrolled, in pixels: cx sideways, cy down.
    SIZE GetScrollPos() const { return SIZE{m_nScrollX, m_nScrollY}; }
    // The height the field needs to show its whole text at its present width (its text padding
    // included), laying out every paragraph; a printed copy grows the field to it (on paper a
    // single-line field wraps what its width does not hold).
    int GetContentHeight();
    // The top, in window coordinates, of the line that holds window row `y` (not above the
    // field's top; `y` itself below the text), where a printed page may end without cutting a
    // line.
    int GetLineBreakAbove(int y);
    // Whether the field at its present size shows every character of its text, unscrolled, as a
    // printed copy does: every line within its width and, where lines wrap, within its height.
    bool ShowsWholeText();

protected:
    explicit CEditUI(bool multiline);
    // On paper a field is its text alone: no background, border, caret, selection or scroll bar.
    void PaintBkColor(HDC hDC) override;
    void PaintText(HDC hDC) override;
    void PaintBorder(HDC hDC) override;

private:
    void HandleInput(TEventUI& event);
    void HandleKey(const TEventUI& event);
    void HandleChar(const TEventUI& event);
    void HandleMouse(const TEventUI& event);
    bool IsEditable() const { return IsEnabled() && !m_bReadOnly; }
    // Replaces the selection, or [start, end), by text a person typed or pasted, leaving the
    // caret after it, records it and tells listeners; false, with nothing changed, when the field
    // refuses it.
    bool ReplaceSelection(const std::wstring& with, TextChange kind);
    bool ReplaceRange(size_t start, size_t end, const std::wstring& with, TextChange kind);
    // Puts `text` (line breaks made the field's own) in place of [start, end) as one step of its
    // own; the caret goes after it.
    bool InsertAt(size_t start, size_t end, const std::wstring& text, TextChange kind);
    // ReplaceRange without telling listeners, for changes made of several replacements.
    bool ChangeText(size_t start, size_t end, const std::wstring& with, TextChange kind);
    // Replaces text as the history asks (undo and redo); nothing is recorded.
    void ApplyRecord(size_t start, size_t count, const std::wstring& with);
    bool UndoRedo(bool redo);
    // Moves the selection dragged from [start, end) to `to` (copies it with `copy`).
    void DropSelection(size_t to, bool copy);
    // Makes a selection a person made the primary selection.
    void OfferSelection();
    // Tells listeners of a person's change, at once or, for a long text, when typing pauses.
    void TextChanged();
    void MoveCaret(size_t pos, bool extend);
    size_t StopAtOrBefore(size_t pos);
    void MoveVertically(int dy, bool page, bool extend);
    // Puts the selection on the clipboard; false when there is none or the clipboard refused it.
    bool Copy();
    bool Paste();
    void ScrollToCaret();
    void ClampScroll();
    void RestartBlink();
    // Selects the word under a point (a double click).
    void SelectWordAt(POINT pt);
    // Tells the window where the caret is, for an input method's candidate window.
    void TellCaret();
    // Repaints the caret's line only: its blink changes nothing else.
    void InvalidateCaret();
    // Whether misspelt words are marked in this field now (never on paper).
    bool IsSpellChecked() const;
    std::vector<std::string> SpellLanguages() const;
    // Whether a word of the field's text is misspelt in its languages.
    bool IsMisspelt(const std::vector<std::string>& languages, const std::wstring& word) const;
    // Checks what is in view, between layout rows [top, bottom), and underlines the misspelt words.
    void PaintSpelling(HDC hDC, POINT origin, int top, int bottom);
    // The text changed at `start`: the marks and a canned text's place follow.
    void FollowEdit(size_t start, size_t removed, size_t inserted);
    std::vector<TSnippet> Snippets() const;
    // Puts a canned text in place of [start, end) as one step and selects its first field.
    bool ExpandSnippet(const TSnippet& snippet, size_t start, size_t end);
    // Selects the next (or previous) "[field]" of the canned text just put in; false when none.
    bool SelectSnippetField(bool forward);
    // The input method's text being composed, drawn at the caret over the field's text.
    void PaintPreedit(HDC hDC);
    // Brings the layout in line with the font, zoom and size of the field.
    void SyncLayout();
    RECT TextBox() const;
    POINT TextOrigin();
    int ScrollBarWidth() const;
    // The scroll bar at the box's right edge, for the text's height and the scroll position.
    CScrollBar VerticalBar();

    bool m_bMultiline;
    bool m_bReadOnly = false;
    size_t m_nMaxChars;
    CharFilter m_filter;
    CTextLayout m_layout;
    size_t m_nCaret = 0;
    size_t m_nAnchor = 0;
    int m_nScrollX = 0;
    int m_nScrollY = 0;
    // The x that Up, Down, PageUp and PageDown keep while they follow each other; -1 for none.
    int m_nPreferredX = -1;
    // The caret is to be scrolled into view at the next paint.
    bool m_bScrollPending = false;
    bool m_bCaretOn = false;
    bool m_bDragging = false;
    bool m_bThumbDragging = false;
    // A press inside the selection: a release elsewhere moves the selection there.
    bool m_bDragMove = false;
    size_t m_nDropPos = 0;
    bool m_bChangePending = false;
    // The first half of a character that arrived as a UTF-16 surrogate pair.
    wchar_t m_chHighSurrogate = 0;
    std::wstring m_sPreedit;
    CTextLayout m_preeditLayout;
    CUndoHistory m_history;
    CSpellMarks m_spellMarks;
    // The KMSpelling generation the marks were made in; another one checks the text anew.
    unsigned long m_nSpellGeneration = 0;
    // spellcheck="true" (1), "false" (0), or as the kind of field has it (-1).
    int m_nSpellCheck = -1;
    // The canned text last put in, [start, end), while Tab goes through its fields.
    bool m_bSnippetActive = false;
    size_t m_nSnippetStart = 0;
    size_t m_nSnippetEnd = 0;
};

// A multi-line text field for long texts: Enter starts a new line, lines wrap at the field's
// width, and the view scrolls up and down with the caret, the wheel, PageUp and PageDown, with a
// scroll bar (its thumb can be dragged) when the text is taller than the field. Up, Down, Home
// and End move by visual line.
// Only the text in view (and, within a paragraph, what comes before it) is laid out.
class SRCTRL_API CRichEditUI : public CEditUI {
public:
    CRichEditUI();
    LPCTSTR GetClass() const override;
};

} // namespace DuiLib
