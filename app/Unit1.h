#pragma once
// The main window TForm2: its components, its handlers and the conversion engine it drives.
// Spread over files by concern: Unit1.cpp (creation and face), Unit1Messages.cpp (message
// dispatch), Unit1Buttons.cpp (the banner's buttons), Unit1OutputFolder.cpp (the "Save PDF to"
// box and its remembered settings), Unit1Drag.cpp (the row drag) and Unit1Files.cpp (files
// from Explorer and the command line, the footer's note, the keyboard's shortcuts).

#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>
#undef MessageBox

#include <memory>
#include <string>
#include <vector>

#include "app/Choosers.h"
#include "app/ListViewQueue.h"
#include "app/SpeedButton.h"
#include "app/WinOwners.h"
#include "app/WindowBatchFrontEnd.h"
#include "convert/Conversion.h"
#include "convert/Drops.h"
#include "convert/Queue.h"

enum TMouseButton { mbLeft, mbRight, mbMiddle };

// A picture drawn straight on the window, stretched to its bounds.
struct TImage {
    TBitmapOwner Picture;
    RECT Bounds{};
};

class TForm2 {
public:
    // Design figures: 96 dots per inch.
    static constexpr int kWidth = 684;
    static constexpr int kHeight = 525;

    TForm2();
    explicit TForm2(std::wstring workingFolderParent);
    TForm2(const TForm2&) = delete;
    TForm2& operator=(const TForm2&) = delete;
    ~TForm2();

    HWND Handle() const noexcept { return FHandle; }
    // The engine holds the working folder tempDir and the per-document unpacking Lumbrook.
    TConversionEngine& Engine() noexcept { return FEngine; }
    TListViewQueue& Queue() noexcept { return FQueue; }
    // What the batch reads from ListView1, Edit1 and CheckBox1.
    TWindowBatchFrontEnd& BatchFrontEnd() noexcept { return FBatchFrontEnd; }
    // Design pixels to the display's pixels.
    int Scale(int designPixels) const noexcept { return ::MulDiv(designPixels, FScaleNum, FScaleDen); }

    // Components, in declaration order.
    TOpenDialog OpenDialog1;
    TImage Image1, Image2, Image3;
    HWND ListView1 = nullptr;
    TMenuOwner PopupMenu1;
    static constexpr UINT Add1 = 101, Remove1 = 102, RemoveAll1 = 103;
    HWND GroupBox1 = nullptr;
    HWND Edit1 = nullptr;
    std::unique_ptr<TSpeedButton> SpeedButton1, SpeedButton2, SpeedButton3, SpeedButton4, SpeedButton5;
    HWND CheckBox1 = nullptr;
    std::unique_ptr<TSpeedButton> SpeedButton7, SpeedButton6, SpeedButton10;
    // The footer's note: what the last drop left out; empty when there is nothing to say.
    HWND Label1 = nullptr;

    // Event handlers.
    void FormCreate(void* Sender);
    void Image1MouseDown(void* Sender, TMouseButton Button, UINT Shift, int X, int Y);
    void SpeedButton1Click(void* Sender);
    void SpeedButton2Click(void* Sender);
    void SpeedButton3Click(void* Sender);
    void SpeedButton4Click(void* Sender);
    void SpeedButton5Click(void* Sender);
    void SpeedButton6Click(void* Sender);
    void SpeedButton7Click(void* Sender);
    void SpeedButton10Click(void* Sender);
    void CheckBox1Click(void* Sender);
    void ListView1DragOver(void* Sender, void* Source, int X, int Y, bool& Accept);
    void ListView1DragDrop(void* Sender, void* Source, int X, int Y);

    std::wstring BrowsFolder(const std::wstring& Folder);
    // Hides the window and ends the message loop.
    void Close();

    // Files and folders dropped on the window or named on the command line: the documents among
    // them are queued in the given order, the rest is told in the footer's note.
    void OpenItems(const std::vector<std::wstring>& items, TItemsSource source = TItemsSource::isDropped);

    // The help page beside the program.
    static std::wstring HelpFilePath();

    // The row drag: none, made ready by LVN_BEGINDRAG, or under way past the threshold.
    enum class TDragState { drNone, drReady, drDragging };
    TDragState DragState() const noexcept { return FDragState; }
    // The pointer over a place that accepts the dragged rows.
    HCURSOR DragCursor();

private:
    // Creation (Unit1.cpp).
    void Build();
    void ComputeScale();
    void CreateFonts();
    void LoadPictures();
    void CreateMainWindow();
    void CreateControls();
    void CreateButtons();
    void BuildFace();
    void ShapeWindow();
    RECT ScaledRect(int left, int top, int width, int height) const;

    // Message dispatch (Unit1Messages.cpp).
    template <typename TWindow>
    friend LRESULT CALLBACK RoutedWindowProc(HWND, UINT, WPARAM, LPARAM);
    static LRESULT CALLBACK ListSubclassProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR id, DWORD_PTR data);
    static LRESULT CALLBACK GroupSubclassProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR id, DWORD_PTR data);
    LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam);
    LRESULT OnCommand(WORD code, WORD id, HWND control);
    LRESULT OnNotifyList(NMHDR* header);
    LRESULT OnCtlColor(UINT msg, HDC dc, HWND control);
    void OnPaint();
    void OnPrintClient(HDC dc);
    void PaintFace(HDC dc, const RECT& area) const;
    void OnMouseDown(TMouseButton button, WPARAM keys, int x, int y);
    void OnContextMenu(HWND wnd, int x, int y);
    void RememberFocus();
    void RestoreFocus();

    // Files and keys (Unit1Files.cpp).
    void CreateNote();
    void SetNote(const std::wstring& text);
    void PaintNote(HWND wnd);
    void OnDropFiles(HDROP drop);
    // A shortcut of the whole window, from whichever control has the focus; true when it was one.
    bool OnShortcutKey(WPARAM key);
    // A shortcut of the list alone.
    bool OnListKey(WPARAM key);
    static LRESULT CALLBACK FieldSubclassProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                              DWORD_PTR data);
    static LRESULT CALLBACK NoteSubclassProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                             DWORD_PTR data);

    // Row drag (Unit1Drag.cpp).
    LRESULT HandleListMessage(UINT msg, WPARAM wParam, LPARAM lParam);
    void OnListBeginDrag(const NMLISTVIEW& info);
    void OnDragMouseMove();
    void OnDragMouseUp();
    void CancelDrag();
    void EndDrag(bool drop);
    void StartDragImage();
    void SetDropHighlight(int row);
    bool PointOverList(POINT screen) const;

    // Remembered settings: the folder field, the option, the file chooser's folder (Unit1OutputFolder.cpp).
    void RestoreSettings();
    void SaveWindowSettings();

    // Input-method preference of Edit1 (Unit1OutputFolder.cpp).
    void Edit1Enter();
    void Edit1Exit();

    // Before the window: FormCreate uses it while the window is built.
    TConversionEngine FEngine;

    HWND FHandle = nullptr;
    HWND FLastFocus = nullptr;
    int FScaleNum = 1, FScaleDen = 1;
    TFontOwner FFont, FBoldFont;
    TBitmapOwner FFace;
    TBrushOwner FWhiteBrush;
    TBitmapOwner FGlyphs[7];
    TListViewQueue FQueue;
    TWindowBatchFrontEnd FBatchFrontEnd;

    TDragState FDragState = TDragState::drNone;
    WPARAM FPressKeys = 0;
    POINT FPressPoint{};   // list client coordinates
    POINT FReadyPoint{};   // screen coordinates
    int FDragRow = -1;
    int FDropRow = -1;
    HIMAGELIST FDragImage = nullptr;
    bool FDragImageShown = false;
    TCursorOwner FDragCursor;

    HKL FDefaultLayout = nullptr;
    bool FLayoutsKnown = false;
};

extern TForm2* Form2;
// The drag record of the queue: the row noted while a drag passes over the list.
extern TQueueDrag ListItem;
