#pragma once
// A headless window for the dialog: controls are values in maps, message
// boxes are recorded, timers are recorded with the period asked for and fired
// by hand.

#include "platform/Dialog.h"

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace vexmoor::test {

struct RecordedBox {
    std::string text;
    platform::BoxIcon icon;
};

class FakeHost final : public platform::DialogHost {
public:
    explicit FakeHost(platform::CDialog* dialog = nullptr) : dialog_(dialog) {}

    // Test-side state.
    std::map<int, std::string> texts;
    std::map<int, int> checks;
    std::map<int, bool> enabled;       // a control not in the map is enabled
    std::vector<RecordedBox> boxes;
    // Runs while a box is "open", as a nested message loop would run ticks.
    std::function<void(const RecordedBox&)> whileBoxOpen;
    // The timers set now: identifier -> the period SetTimer was asked for.
    std::map<std::uintptr_t, std::uint32_t> timers;
    struct TimerRequest {
        std::uintptr_t id;
        std::uint32_t periodMs;
        bool operator==(const TimerRequest&) const = default;
        friend void PrintTo(const TimerRequest& request, std::ostream* out)
        {
            *out << "timer " << request.id << " every " << request.periodMs << " ms";
        }
    };
    // Every SetTimer call, refused ones included, and every KillTimer call.
    std::vector<TimerRequest> timerRequests;
    std::vector<std::uintptr_t> timerKills;
    bool refuseTimers = false;
    int focusedControl = 0;
    bool selectedAll = false;
    int repaints = 0;
    std::optional<int> endCode;
    struct MenuItem {
        std::uint32_t commandId;  // 0 for a separator
        std::string text;
    };
    std::vector<MenuItem> systemMenu{{platform::SC_CLOSE, "&Close"}};
    bool hasSystemMenu = true;
    std::vector<std::pair<platform::IconHandle, bool>> icons;
    // Runs inside RunModal after OnInitDialog, standing for the user.
    std::function<void(FakeHost&)> whileModal;

    std::vector<std::string> BoxTexts() const;

    // DialogHost.
    int RunModal() override;
    void EndDialog(int code) override { endCode = code; }
    std::string GetItemText(int id) const override;
    void SetItemText(int id, std::string_view text) override { texts[id] = std::string(text); }
    int GetCheck(int id) const override;
    void SetCheck(int id, int state) override { checks[id] = state; }
    void FocusAndSelectAll(int id) override
    {
        focusedControl = id;
        selectedAll = true;
    }
    void EnableItem(int id, bool enable) override { enabled[id] = enable; }
    bool IsItemEnabled(int id) const override;
    bool SetTimer(std::uintptr_t id, std::uint32_t periodMs) override;
    bool KillTimer(std::uintptr_t id) override;
    void MessageBox(std::string_view text, platform::BoxIcon icon) override;
    void UpdateWindow() override { ++repaints; }
    bool HasSystemMenu() const override { return hasSystemMenu; }
    void AppendSystemMenuSeparator() override { systemMenu.push_back({0, ""}); }
    void AppendSystemMenuItem(std::uint32_t commandId, std::string_view text) override
    {
        systemMenu.push_back({commandId, std::string(text)});
    }
    void SetIcon(platform::IconHandle icon, bool big) override { icons.emplace_back(icon, big); }
    bool IsIconic() const override { return iconic; }
    platform::PixelSize ClientSize() const override { return clientSize; }
    platform::PixelSize StandardIconSize() const override { return {32, 32}; }
    void EraseIconBackground() override { ++iconErasures; }
    void DrawIcon(platform::IconHandle icon, int x, int y) override { drawnIcons.push_back({icon, x, y}); }
    void DefaultPaint() override { ++defaultPaints; }

    bool iconic = false;
    platform::PixelSize clientSize{400, 300};
    int iconErasures = 0;
    int defaultPaints = 0;
    struct DrawnIcon {
        platform::IconHandle icon;
        int x;
        int y;
    };
    std::vector<DrawnIcon> drawnIcons;

    // Clicks a button as the user would: a disabled one sends nothing.
    void Click(int id);
    // Delivers one message of every set timer.
    void FireTimers();

private:
    platform::CDialog* dialog_;
};

// Creates FakeHosts; remembers them so a test can reach the About box's.
class FakeFramework final : public platform::Framework {
public:
    std::unique_ptr<platform::DialogHost> CreateHost(const platform::DialogTemplate& dialogTemplate,
                                                     platform::CDialog& dialog,
                                                     platform::CDialog* owner) override;
    // Runs inside each created host's RunModal, with the template it was made from.
    std::function<void(FakeHost&, const platform::DialogTemplate&)> whileModal;
    std::vector<int> createdTemplates;
    std::vector<platform::CDialog*> owners;
};

} // namespace vexmoor::test
