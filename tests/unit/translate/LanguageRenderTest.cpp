// Translated forms as they appear on the screen. For each language the font the
// translator picks must read the shipped file's bytes in the code page they were written
// in and hold a glyph for every character. The pictures land beside the test program as
// translate_<language>.bmp for a person to look at (ImageMagick's convert makes PNGs of them).
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "platform/Application.h"
#include "platform/Forms.h"
#include "platform/StdCtrls.h"
#include "support/TestSupport.h"
#include "support/WindowDriver.h"
#include "translate/cmp_TTranslator.h"
#include "translate/routines_Languages.h"

using namespace qlry;
using namespace qlry::test;

namespace {

void PumpFor(DWORD milliseconds) {
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < milliseconds) {
        Application()->ProcessMessages();
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
}

class TMemoryDC {
public:
    TMemoryDC() : dc_(CreateCompatibleDC(nullptr)) {}
    ~TMemoryDC() {
        if (saved_) SelectObject(dc_, saved_);
        DeleteDC(dc_);
    }
    TMemoryDC(const TMemoryDC&) = delete;
    TMemoryDC& operator=(const TMemoryDC&) = delete;
    void Select(HFONT font) {
        HGDIOBJ previous = SelectObject(dc_, font);
        if (!saved_) saved_ = previous;
    }
    HDC Get() const { return dc_; }

private:
    HDC dc_;
    HGDIOBJ saved_ = nullptr;
};

struct FontCheck {
    UINT codePage = 0;      // the code page text drawn with the font is read in
    int missingGlyphs = 0;  // characters the chosen font has no glyph for
    std::string face;
};

FontCheck CheckFont(const TFont& font, const std::string& text) {
    FontCheck check;
    TMemoryDC dc;
    dc.Select(font.Handle());
    CHARSETINFO info{};
    if (TranslateCharsetInfo(reinterpret_cast<DWORD*>(static_cast<UINT_PTR>(GetTextCharset(dc.Get()))), &info,
                             TCI_SRCCHARSET))
        check.codePage = info.ciACP;
    char face[LF_FACESIZE] = {};
    GetTextFaceA(dc.Get(), LF_FACESIZE, face);
    check.face = face;
    std::wstring wide(text.size(), L'\0');
    wide.resize(MultiByteToWideChar(check.codePage, 0, text.data(), static_cast<int>(text.size()), wide.data(),
                                    static_cast<int>(wide.size())));
    std::vector<WORD> glyphs(wide.size());
    GetGlyphIndicesW(dc.Get(), wide.c_str(), static_cast<int>(wide.size()), glyphs.data(),
                     GGI_MARK_NONEXISTING_GLYPHS);
    for (WORD glyph : glyphs)
        if (glyph == 0xFFFF) ++check.missingGlyphs;
    return check;
}

struct RenderRow {
    TQlryLanguage language;
    const char* name;
    UINT fileCodePage;  // the code page the shipped file is written in
    bool fontOverride = false;
};

} // namespace

TEST(LanguageRendering, TranslatedLabelsAreDrawnWithTheirLanguagesGlyphs) {
    const std::vector<RenderRow> rows = {
        {qlJapanese, "Japanese", 932}, {qlChineseSimplified, "ChineseSimplified", 936},
        {qlChineseTraditional, "ChineseTraditional", 950}, {qlKorean, "Korean", 949},
        {qlRussian, "Russian", 1251}, {qlGreek, "Greek", 1253},
        {qlPolish, "Polish", 1250}, {qlPortugese, "Portugese", 1252},
        {qlVietnamese, "Vietnamese", 1258},
        // Hebrew has no built-in font rule: the project gives it a font of its own.
        {qlHebrew, "Hebrew", 1255, true},
    };
    const char* texts[] = {"Welcome", "This program will install the software on your computer.",
                           "Please insert disk number %d", "Reading file information...",
                           "Yes, I would like to reboot windows", "Total progress"};
    TApplication application;
    application.Initialize();
    std::vector<std::string> errors;
    application.OnException = [&](TObject*, const Exception& error) { errors.push_back(error.Message()); };

    for (const RenderRow& row : rows) {
        SCOPED_TRACE(row.name);
        TTranslator translator(nullptr);
        ASSERT_TRUE(LoadShippedLanguage(*translator.FindLanguage(qlEnglish)));
        TLanguage& target = *translator.FindLanguage(row.language);
        ASSERT_TRUE(LoadShippedLanguage(target));
        if (row.fontOverride) {
            target.SetFontOverride(true);
            target.Font()->SetName("Arial");
            target.Font()->SetCharset(CharsetOf(row.language));
            target.Font()->SetSize(9);
        }
        translator.SetTranslateIntoLanguage(row.language);

        TForm form;
        form.SetBorderStyle(bsDialog);
        form.SetBounds(40, 40, 520, 260);
        form.SetCaption("Setup complete");
        form.Font()->SetSize(8);
        std::vector<TLabel*> labels;
        for (const char* text : texts) {
            auto* label = new TLabel(&form);
            label->SetParent(&form);
            label->SetBounds(12, 12 + 34 * static_cast<int>(labels.size()), 490, 30);
            label->SetWordWrap(true);
            label->SetCaption(text);
            labels.push_back(label);
        }
        translator.ApplyFonts(&form, false);
        ASSERT_EQ(translator.TranslateComponent(qlEnglish, &form), row.language);

        for (size_t index = 0; index < labels.size(); ++index) {
            const std::string caption = labels[index]->Caption();
            EXPECT_NE(caption, texts[index]);
            const FontCheck check = CheckFont(*labels[index]->Font(), caption);
            EXPECT_EQ(check.codePage, row.fileCodePage) << caption;
            EXPECT_EQ(check.missingGlyphs, 0) << check.face;
            if (index == 0) std::printf("%s: font %s, code page %u\n", row.name, check.face.c_str(), check.codePage);
        }

        form.Show();
        CloseExplorerWindows();
        SetWindowPos(form.Handle(), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
        PumpFor(1500);  // the screen needs a moment after the window appears
        TBitmap shot;
        shot.SetSize(form.Width(), form.Height());
        {
            TScreenDC screen;
            BitBlt(shot.DC(), 0, 0, form.Width(), form.Height(), screen.Get(), form.Left(), form.Top(), SRCCOPY);
        }
        shot.SaveToFile(ProgramDir() + "translate_" + row.name + ".bmp");
        // Text is drawn where each label is; smoothed glyphs have few pixels of the text
        // colour itself, so count those clearly darker than the background.
        for (TLabel* label : labels) {
            int dark = 0;
            for (int y = 0; y < label->Height(); ++y)
                for (int x = 0; x < label->Width(); ++x) {
                    POINT point = label->ClientToScreen(POINT{x, y});
                    COLORREF pixel = GetPixel(shot.DC(), point.x - form.Left(), point.y - form.Top());
                    if (GetRValue(pixel) + GetGValue(pixel) + GetBValue(pixel) < 3 * 128) ++dark;
                }
            EXPECT_GT(dark, 20) << label->Caption();
        }
        form.Hide();
    }
    EXPECT_TRUE(errors.empty());
}
