#include "files/ColorNames.h"

#include "files/Settings.h"

#include <array>

namespace vexmo {

namespace {

struct PlainName {
    const char* English;
    const char* Japanese;
};

// In the order of NamedColors().
// clang-format off
constexpr std::array<PlainName, NamedColorCount> kPlainNames{{
    {"Black", "黒"},
    {"Maroon", "えび茶"},
    {"Green", "緑"},
    {"Olive", "オリーブ"},
    {"Navy", "紺"},
    {"Purple", "紫"},
    {"Teal", "青緑"},
    {"Grey", "灰色"},
    {"Silver", "銀"},
    {"Red", "赤"},
    {"Lime", "黄緑"},
    {"Yellow", "黄"},
    {"Blue", "青"},
    {"Fuchsia", "赤紫"},
    {"Aqua", "水色"},
    {"White", "白"},
    {"Money green", "薄い緑"},
    {"Sky blue", "空色"},
    {"Cream", "クリーム色"},
    {"Medium grey", "中間の灰色"},
    {"Active window border (system)", "アクティブなウィンドウの枠 (システム)"},
    {"Active title bar (system)", "アクティブなタイトルバー (システム)"},
    {"Application background (system)", "アプリケーションの背景 (システム)"},
    {"Desktop (system)", "デスクトップ (システム)"},
    {"Button face (system)", "ボタンの表面 (システム)"},
    {"Button highlight (system)", "ボタンのハイライト (システム)"},
    {"Button shadow (system)", "ボタンの影 (システム)"},
    {"Button text (system)", "ボタンの文字 (システム)"},
    {"Title bar text (system)", "タイトルバーの文字 (システム)"},
    {"Default", "既定"},
    {"Active title bar gradient (system)", "アクティブなタイトルバーのグラデーション (システム)"},
    {"Inactive title bar gradient (system)", "非アクティブなタイトルバーのグラデーション (システム)"},
    {"Disabled text (system)", "無効な文字 (システム)"},
    {"Selection (system)", "選択範囲 (システム)"},
    {"Selected text (system)", "選択された文字 (システム)"},
    {"Link (system)", "リンク (システム)"},
    {"Inactive window border (system)", "非アクティブなウィンドウの枠 (システム)"},
    {"Inactive title bar (system)", "非アクティブなタイトルバー (システム)"},
    {"Inactive title bar text (system)", "非アクティブなタイトルバーの文字 (システム)"},
    {"Tool tip background (system)", "ツールチップの背景 (システム)"},
    {"Tool tip text (system)", "ツールチップの文字 (システム)"},
    {"Menu (system)", "メニュー (システム)"},
    {"Menu bar (system)", "メニューバー (システム)"},
    {"Menu highlight (system)", "メニューのハイライト (システム)"},
    {"Menu text (system)", "メニューの文字 (システム)"},
    {"None", "なし"},
    {"Scroll bar (system)", "スクロールバー (システム)"},
    {"3D dark shadow (system)", "立体表示の濃い影 (システム)"},
    {"3D light (system)", "立体表示の明るい部分 (システム)"},
    {"Window background (system)", "ウィンドウの背景 (システム)"},
    {"Window frame (system)", "ウィンドウの枠 (システム)"},
    {"Window text (system)", "ウィンドウの文字 (システム)"},
}};
// clang-format on

} // namespace

QString ColorPlainName(int index, int language) {
    if (index < 0 || index >= NamedColorCount)
        return {};
    const PlainName& name = kPlainNames[std::size_t(index)];
    return QString::fromUtf8(language == 1 ? name.English : name.Japanese);
}

} // namespace vexmo
