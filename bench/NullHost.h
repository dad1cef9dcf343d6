#pragma once
// A window that is not there: every call into it does nothing. With it a
// tick costs only what the program itself does.

#include "platform/Dialog.h"
#include "res/resource.h"

#include <memory>

namespace vexmoor::bench {

class NullHost final : public platform::DialogHost {
public:
    int RunModal() override { return 0; }
    void EndDialog(int) override {}
    // The interval field holds what the program last put there.
    std::string GetItemText(int id) const override { return id == res::IDC_INTERVAL ? "1" : ""; }
    void SetItemText(int, std::string_view) override {}
    int GetCheck(int) const override { return 0; }
    void SetCheck(int, int) override {}
    void FocusAndSelectAll(int) override {}
    void EnableItem(int, bool) override {}
    bool IsItemEnabled(int) const override { return true; }
    bool SetTimer(std::uintptr_t, std::uint32_t) override { return true; }
    bool KillTimer(std::uintptr_t) override { return true; }
    void MessageBox(std::string_view, platform::BoxIcon) override {}
    void UpdateWindow() override {}
    bool HasSystemMenu() const override { return false; }
    void AppendSystemMenuSeparator() override {}
    void AppendSystemMenuItem(std::uint32_t, std::string_view) override {}
    void SetIcon(platform::IconHandle, bool) override {}
    bool IsIconic() const override { return false; }
    platform::PixelSize ClientSize() const override { return {0, 0}; }
    platform::PixelSize StandardIconSize() const override { return {32, 32}; }
    void EraseIconBackground() override {}
    void DrawIcon(platform::IconHandle, int, int) override {}
    void DefaultPaint() override {}
};

class NullFramework final : public platform::Framework {
public:
    std::unique_ptr<platform::DialogHost> CreateHost(const platform::DialogTemplate&, platform::CDialog&,
                                                     platform::CDialog*) override
    {
        return std::make_unique<NullHost>();
    }
};

} // namespace vexmoor::bench
