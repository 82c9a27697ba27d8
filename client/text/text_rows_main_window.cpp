// Texts of the main window's status and call outcomes: {number, English, Chinese, Japanese}.

#include "client/text/text_rows.h"

namespace orv {

namespace {

constexpr TextRow kRows[] = {
    {kTextMissedCallFrom, "Missed call from %s", "未接来电：%s", "不在着信：%s"},
    {kTextMissedCallsPlural, "%d missed calls", "%d 个未接来电", "不在着信 %d 件"},
    {kTextOfflineCallsPlural, "%d offline calls", "%d 个离线呼叫", "オフライン着信 %d 件"},
    {kTextOnLine, "On line", "在线", "オンライン"},
    {kTextOffLine, "Off line", "离线", "オフライン"},
    {kTextNotConnected, "Not connected to the server: the call was not placed", "未连接服务器，呼叫未发出", "サーバーに接続されていないため、発信しませんでした"},
    {kTextCannotOpen, "Cannot open %s", "无法打开 %s", "%s を開けません"},
    {kTextNumberHint, "Type a number", "请输入号码", "番号を入力してください"},
    {kTextShowWindow, "Show", "显示", "表示"},
    {kTextHideWindow, "Hide", "隐藏", "隠す"},
    {kTextEnterServerAddress, "Enter the server's address", "请输入服务器地址", "サーバーのアドレスを入力してください"},
    {kTextNoAnswerFrom, "%s: no answer from %s", "%s：%s 无应答", "%s：%s から応答がありません"},
    {kTextDecline, "Decline", "拒接", "拒否"},
    {kTextIncomingCallFrom, "Incoming call from %s", "%s 来电", "%s から着信"},
    {kTextDialPad, "Dial pad", "拨号盘", "ダイヤルパッド"},
    {kTextHeadsetButtons, "Headset call buttons answer and hang up", "耳机通话键接听和挂断", "ヘッドセットの通話ボタンで応答・終了"},
    {kTextCannotFindFile, "Can't find or open the file %s.", "找不到或无法打开文件 %s。", "ファイル %s が見つからないか、開けません。"},
};

}  // namespace

std::span<const TextRow> MainWindowTextRows() {
    return kRows;
}

}  // namespace orv
