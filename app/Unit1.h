#pragma once
// The main window TForm2: a borderless, round-cornered window with the document list, the
// output-folder box and a row of picture buttons on its banner.

#include <windows.h>
#include <commctrl.h>
#undef MessageBox

#include <memory>
#include <string>

#include "app/Choosers.h"
#include "app/SpeedButton.h"
#include "app/WinOwners.h"
#include "convert/BatchFrontEnd.h"
#include "convert/Conversion.h"
#include "convert/Queue.h"

enum TMouseButton { mbLeft, mbRight, mbMiddle };

// A picture drawn straight on the window, stretched to its bounds.
struct TImage {
    TBitmapOwner Picture;
    RECT Bounds{};
};

// The queue's rows as ListView1 holds them.
class TListViewQueue : public IQueueList {
public:
    HWND Handle = nullptr;

    int Count() const override;
    std::wstring Caption(int row) const override;
    void SetCaption(int row, const std::wstring& caption) override;
    std::wstring Path(int row) const override;
    bool Selected(int row) const override;
    int Insert(int row, const std::wstring& caption, const std::wstring& path) override;
    void Delete(int row) override;
    void Clear() override;
    int ItemAt(int x, int y) const override;
};

class TForm2 : public TConversionEngine, public IBatchFrontEnd {
public:
    // Design figures: 96 dots per inch.
    static constexpr int kWidth = 684;
    static constexpr int kHeight = 525;

    TForm2();
    explicit TForm2(std::wstring workingFolderParent);
    TForm2(const TForm2&) = delete;
    TForm2& operator=(const TForm2&) = delete;
    ~TForm2() override;

    HWND Handle() const noexcept { return FHandle; }
    TListViewQueue& Queue() noexcept { return FQueue; }
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

    // IBatchFrontEnd over ListView1, Edit1 and CheckBox1.
    int RowCount() const override;
    std::wstring RowPath(int index) const override;
    std::wstring OutputFolderText() const override;
    bool SameFolderOption() const override;
    int MessageBox(const std::wstring& text, const std::wstring& caption, unsigned flags) override;
    void SetBusyCursor(bool busy) override;
    void OpenFolder(const std::wstring& folder) override;

    // The help page beside the program.
    static std::wstring HelpFilePath();

    // The row drag: none, made ready by LVN_BEGINDRAG, or under way past the threshold.
    enum class TDragState { None, Ready, Dragging };
    TDragState DragState() const noexcept { return FDragState; }

private:
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

    template <typename TWindow>
    friend LRESULT CALLBACK RoutedWindowProc(HWND, UINT, WPARAM, LPARAM);
    static LRESULT CALLBACK ListSubclassProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR id, DWORD_PTR data);
    static LRESULT CALLBACK GroupSubclassProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR id, DWORD_PTR data);
    LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam);
    LRESULT HandleListMessage(UINT msg, WPARAM wParam, LPARAM lParam);
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

    // Row drag (Unit1Drag.cpp).
    void OnListBeginDrag(const NMLISTVIEW& info);
    void OnDragMouseMove();
    void OnDragMouseUp();
    void CancelDrag();
    void EndDrag(bool drop);
    void StartDragImage();
    void SetDropHighlight(int row);
    bool PointOverList(POINT screen) const;

    // Input-method preference of Edit1 (Unit1Buttons.cpp).
    void Edit1Enter();
    void Edit1Exit();

    HWND FHandle = nullptr;
    HWND FLastFocus = nullptr;
    int FScaleNum = 1, FScaleDen = 1;
    TFontOwner FFont, FBoldFont;
    TBitmapOwner FFace;
    TBrushOwner FWhiteBrush;
    TBitmapOwner FGlyphs[7];
    TListViewQueue FQueue;

    TDragState FDragState = TDragState::None;
    WPARAM FPressKeys = 0;
    POINT FPressPoint{};   // list client coordinates
    POINT FReadyPoint{};   // screen coordinates
    int FDragRow = -1;
    int FDropRow = -1;
    HIMAGELIST FDragImage = nullptr;
    bool FDragImageShown = false;

    HKL FDefaultLayout = nullptr;
    bool FLayoutsKnown = false;
};

extern TForm2* Form2;
// The drag record of the queue: the row noted while a drag passes over the list.
extern TQueueDrag ListItem;
