#pragma once
// The common controls: progress bar, rich edit, tab control and page control.
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "platform/Controls.h"
#include "platform/StdCtrls.h"
#include "platform/Strings.h"

namespace qlry {

class TProgressBar : public TWinControl {
public:
    explicit TProgressBar(TComponent* owner);
    static const TClassInfo& StaticClassInfo();
    const TClassInfo* ClassInfo() const override { return &StaticClassInfo(); }

    int Min() const { return min_; }
    void SetMin(int min);
    int Max() const { return max_; }
    void SetMax(int max);
    int Position() const;
    void SetPosition(int position);
    int Step() const { return step_; }
    void SetStep(int step);
    bool Smooth() const { return smooth_; }
    void SetSmooth(bool smooth) { smooth_ = smooth; }
    void StepIt() { SetPosition(Position() + step_); }
    void StepBy(int delta) { SetPosition(Position() + delta); }

protected:
    void CreateParams(TCreateParams& params) override;
    void InitializeHandle() override;

private:
    int min_ = 0;
    int max_ = 100;
    int position_ = 0;
    int step_ = 10;
    bool smooth_ = false;
};

class TCustomRichEdit;

class TRichEditStrings : public TStringList {
public:
    explicit TRichEditStrings(TCustomRichEdit* edit) : edit_(edit) {}

protected:
    void Changed() override;

private:
    TCustomRichEdit* edit_;
};

// A rich-text box (the system's RichEdit20A). Lines that begin with "{\rtf" are shown
// as rich text unless PlainText is set; other lines as plain text.
class TCustomRichEdit : public TWinControl {
public:
    explicit TCustomRichEdit(TComponent* owner);
    static const TClassInfo& StaticClassInfo();
    const TClassInfo* ClassInfo() const override { return &StaticClassInfo(); }

    TStrings* Lines() { return &lines_; }
    void SetLines(const TStrings* lines) { lines_.Assign(lines); }
    bool ReadOnly() const { return readOnly_; }
    void SetReadOnly(bool readOnly);
    TScrollStyle ScrollBars() const { return scrollBars_; }
    void SetScrollBars(TScrollStyle scrollBars) { scrollBars_ = scrollBars; }
    bool WordWrap() const { return wordWrap_; }
    void SetWordWrap(bool wordWrap);
    bool PlainText() const { return plainText_; }
    void SetPlainText(bool plainText);
    TBorderStyle BorderStyle() const { return borderStyle_; }
    void SetBorderStyle(TBorderStyle style) { borderStyle_ = style; }

protected:
    friend class TRichEditStrings;
    void CreateParams(TCreateParams& params) override;
    void InitializeHandle() override;
    void SaveWindowState() override {}
    void ColorChanged() override;
    bool WantsKey(WORD key) const override { return key == VK_RETURN && !readOnly_; }
    void LinesChanged();

private:
    void ShowLines();

    TRichEditStrings lines_;
    bool readOnly_ = false;
    TScrollStyle scrollBars_ = ssNone;
    bool wordWrap_ = true;
    bool plainText_ = false;
    TBorderStyle borderStyle_ = bsSingle;
};

class TRichEdit : public TCustomRichEdit {
public:
    explicit TRichEdit(TComponent* owner);
    static const TClassInfo& StaticClassInfo();
    const TClassInfo* ClassInfo() const override { return &StaticClassInfo(); }
};

using TTabChangingEvent = std::function<void(TObject* sender, bool& allowChange)>;

class TCustomTabControl;

class TTabStrings : public TStringList {
public:
    explicit TTabStrings(TCustomTabControl* control) : control_(control) {}

protected:
    void Changed() override;

private:
    TCustomTabControl* control_;
};

// A row of tabs. Choosing a tab asks OnChanging, then fires OnChange; setting TabIndex
// from code fires neither.
class TCustomTabControl : public TWinControl {
public:
    explicit TCustomTabControl(TComponent* owner);
    static const TClassInfo& StaticClassInfo();
    const TClassInfo* ClassInfo() const override { return &StaticClassInfo(); }

    TStrings* Tabs() { return &tabs_; }
    void SetTabs(const TStrings* tabs) { tabs_.Assign(tabs); }
    // -1 when there is no tab.
    int TabIndex() const;
    void SetTabIndex(int index);
    void AdjustClientRect(RECT& rect) const override;

    TNotifyEvent OnChange;
    TTabChangingEvent OnChanging;

protected:
    friend class TTabStrings;
    void CreateParams(TCreateParams& params) override;
    void InitializeHandle() override;
    void SaveWindowState() override;
    LRESULT Notify(NMHDR* header) override;
    virtual bool CanChange();
    virtual void Change();
    virtual void TabsChanged();

private:
    void FillTabs();

    TTabStrings tabs_;
    int tabIndex_ = -1;
};

class TTabControl : public TCustomTabControl {
public:
    explicit TTabControl(TComponent* owner);
    static const TClassInfo& StaticClassInfo();
    const TClassInfo* ClassInfo() const override { return &StaticClassInfo(); }
};

class TPageControl;

// One page of a page control; its caption is its tab's text.
class TTabSheet : public TCustomControl {
public:
    explicit TTabSheet(TComponent* owner);
    ~TTabSheet() override;
    static const TClassInfo& StaticClassInfo();
    const TClassInfo* ClassInfo() const override { return &StaticClassInfo(); }

    TPageControl* PageControl() const { return pageControl_; }
    void SetPageControl(TPageControl* control);
    int PageIndex() const;

protected:
    void ParentChanged() override;
    void TextChanged() override;

private:
    friend class TPageControl;
    TPageControl* pageControl_ = nullptr;
};

// Tabs over a stack of sheets; the sheet of the chosen tab is the one shown.
class TPageControl : public TCustomTabControl {
public:
    explicit TPageControl(TComponent* owner);
    ~TPageControl() override;
    static const TClassInfo& StaticClassInfo();
    const TClassInfo* ClassInfo() const override { return &StaticClassInfo(); }

    int PageCount() const { return static_cast<int>(pages_.size()); }
    TTabSheet* Pages(int index) const { return pages_.at(index); }
    TTabSheet* ActivePage() const;
    void SetActivePage(TTabSheet* page);
    int ActivePageIndex() const { return TabIndex(); }
    void SetActivePageIndex(int index);
    void Loaded() override;

protected:
    friend class TTabSheet;
    void InsertPage(TTabSheet* page);
    void RemovePage(TTabSheet* page);
    void UpdateTabs();
    void Change() override;
    void AlignControls(RECT& rect) override;

private:
    void ShowActivePage();

    std::vector<TTabSheet*> pages_;
    TTabSheet* pendingActive_ = nullptr;
};

} // namespace qlry
