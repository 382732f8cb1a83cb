#pragma once

#include <span>

// The text tables of the language databases: one table per dialog, one row, one column per text key.
// Each key carries its text in Chinese.mdb, which is also what the dialog shows when its table cannot be
// read: the caption of its dialog template, or the compiled fallback of a message, title or state text.
// Keys are listed in the order their dialog reads them.

struct TextKey {
    const char* key;
    const char* chinese;
};

struct TextTableKeys {
    const char* table;
    std::span<const TextKey> keys;
};

namespace text_keys {

// Main window.
inline constexpr TextKey kQvTools[] = {
    {"QvTitle", "Zenvar配置工具"},
    {"TerInfo", "设备信息"},
    {"TerCtrl", "控制"},
    {"AddTer", "新 增"},
    {"DelTer", "删 除"},
    {"Monitor", "监控"},
    {"PortList", "端口列表："},
    {"NewPort", "新端口："},
    {"AddPort", "添 加"},
    {"DelPort", "删 除"},
    {"StartUp", "启 动"},
    {"Stop", "停 止"},
    {"ExistPort", "已经存在相同的端口"},
    {"OneUdpPort", "同一时间只能打开一个UDP端口，请先从列表中删除另一个UDP端口。"},
    {"DbReadOnly", "工具数据库是只读文件，所做的修改将无法保存："},
    {"DbMissing", "找不到工具数据库 %1。请在“编程配置”页按“使用默认数据”，用出厂数据重新建立它。"},
    {"DbInUse", "工具数据库 %1 正被其他程序使用，未能读取设备型号（%2）。"
                "请关闭该程序后重新启动本工具；在此之前不能修改设备型号。"},
    {"DbUnreadable", "无法读取工具数据库 %1：%2。该文件可能已损坏。"
                     "可在“编程配置”页按“使用默认数据”，用出厂数据替换它（其中存储的数据将被覆盖）。"},
    {"DbIncomplete", "工具数据库 %1 未能完整读取：%2 次读取失败，第一次是“%3”：%4。"
                     "已读取的内容照常显示，但在数据库修复之前不能修改设备型号，以免覆盖已存储的数据。"},
    {"CmdFailed", "发往设备 %1 的命令无应答：自 %2 起共 %3 条命令失败"},
    {"ConnLost", "网络关闭了UDP端口，该端口上的设备已收不到。请按“停 止”再按“启 动”重新打开端口。"},
    {"IniFailed", "无法保存语言选择（%1），本工具未重新启动。"},
    {"FilterTer", "按地址或状态筛选"},
    {"NoPort", "请先添加端口"},
    {"PortUsed", "端口号被占用"},
    {"AddTerAddr", "请输入一个设备地址"},
    {"TerFormErr", "该设备地址的格式不正确，请重新输入"},
    {"TerAddr", "设备地址"},
    {"TerState", "状态"},
    {"BaseCtrl", "基本控制"},
    {"Program", "编程配置"},
    {"Voice", "声音配置"},
    {"OnLine", "在线"},
    {"OffLine", "离线"},
    {"SureDel", "确定要删除吗？"},
    {"SysNotify", "系统提示"},
};

// Base control page.
inline constexpr TextKey kControl[] = {
    {"CurTerAddr", "当前设备地址："},
    {"LayCtrl", "撤布防"},
    {"Lay", "布防"},
    {"UnLay", "撤防"},
    {"Psw", "密码："},
    {"BtSend", "发 送"},
    {"FCtrl", "蜂鸣器"},
    {"StartTime", "响时间"},
    {"StopTime", "停时间"},
    {"AllTIme", "总时间"},
    {"Unit", "单位：20毫秒"},
    {"LedCtrl", "LED"},
    {"LedShow", "显示"},
    {"LedClean", "清除"},
    {"tContent", "内容"},
    {"NotesCtrl", "短信息"},
    {"OutPut", "输出控制"},
    {"Lamp", "指示灯"},
    {"Relay", "继电器"},
    {"tOff", "关"},
    {"tOn", "开"},
    {"StartNum", "开始编号"},
    {"SelNum", "个数"},
    {"TimeCtrl", "时间配置"},
    {"tDate", "日期"},
    {"tTime", "时间"},
    {"NameCtrl", "名称配置"},
    {"tSelect", "选择"},
    {"tName", "名称"},
    {"SelTer", "请选择一个设备"},
    {"PswEmpty", "密码不能为空"},
    {"Incomplete", "数据不完整"},
    {"ContentEmpty", "内容不能为空"},
    {"NumRange", "编号必须为1-64之间"},
    {"Zone", "防区"},
    {"AllZone", "所有防区"},
    {"Terminal", "设备"},
};

// Programming page.
inline constexpr TextKey kProgram[] = {
    {"Device", "设备型号："},
    {"Psw", "密码："},
    {"AddNewTer", "添 加(&A)"},
    {"tEdit", "编辑(&E)"},
    {"DelTer", "删 除(&D)"},
    {"UseDefault", "使用默认数据"},
    {"MasterCtrl", "主码"},
    {"MasterFunc", "主码："},
    {"MasterID", "编号："},
    {"MasterRemark", "说明："},
    {"SubCtrl", "从码"},
    {"PgMod", "编程值修改"},
    {"PgType", "编程值类型："},
    {"tString", "字符串"},
    {"tNumber", "数字串"},
    {"tIp", "IP地址"},
    {"Phone", "电话号码"},
    {"SLine", "初始行："},
    {"LineNum", "修改行数："},
    {"Step", "递增值："},
    {"tInit", "初始值："},
    {"tMod", "修 改"},
    {"PgCmd", "编程命令"},
    {"OneSubCode", "当前从码"},
    {"AllSubCode", "当前主码"},
    {"AllTerminal", "当前设备"},
    {"SendCmd", "发送"},
    {"SureDel", "确定要删除吗？"},
    {"SLineErr", "初始行数大于最大从码行数，请重新输入"},
    {"SLineEmpty", "要修改的初始行及编程值不能为空"},
    {"AllEmpty", "初始行、初始值、修改行数、递增值，其中之一不能为空，请填写完整"},
    {"PgNumErr", "此条件生成的最大从码值的位数大于编程位数，请重新输入条件"},
    {"SelTer", "请选择一个设备"},
    {"PswEmpty", "设备的管理密码不能为空"},
    {"SelSubCode", "请选择一个从码"},
    {"SendOver", "命令发送完毕"},
    {"Notify", "系统提示"},
    {"tLine", "行号"},
    {"SubCode", "从码"},
    {"Function", "功能"},
    {"tLength", "编程位数"},
    {"tValue", "编程值"},
    {"SureSend", "确定吗"},
    {"Default", "默认数据将覆盖当前数据，确定吗？"},
    {"SaveFailed", "修改未能保存到数据库："},
    {"NotQueued", "发送队列已满，有 %1 条命令未能发送"},
    {"NotLoaded", "工具数据库在启动时未能完整读取，为免覆盖已存储的数据，现在不能修改设备型号。"
                  "请在数据库恢复正常后重新启动本工具。"},
};

// Device model configuration dialog.
inline constexpr TextKey kConfigure[] = {
    {"Device", "设备型号："},
    {"AdminPsw", "管理密码："},
    {"AddTer", "添加新设备型号"},
    {"MasterCtrl", "主码"},
    {"MCode", "主码："},
    {"MLength", "编程位数："},
    {"MFunc", "功能："},
    {"HaveOrder", "有序号"},
    {"LValue", "左名："},
    {"RValue", "右名："},
    {"MType", "类型"},
    {"tString", "字符串"},
    {"tNumber", "数字串"},
    {"tIp", "IP地址"},
    {"Phone", "电话号码"},
    {"Remark", "说明："},
    {"AddMCode", "添加"},
    {"MList", "主码列表"},
    {"DelMCode", "删除"},
    {"SubCtrl", "从码"},
    {"InitCode", "初始编号："},
    {"ScodeNum", "从码数量："},
    {"Step", "递增量："},
    {"SValue", "初始值："},
    {"AddSubCode", "添加"},
    {"DelSubCode", "删除"},
    {"PswEmpty", "设备型号和管理密码不能为空"},
    {"ExistTer", "已经存在该名称的设备型号"},
    {"TerEmpty", "请先添加设备型号"},
    {"AllEmpty", "主码、功能、左值、编程位数和说明，其中之一不能为空"},
    {"ExistMCode", "已经存在相同的主码"},
    {"SureDel", "确定要删除码？"},
    {"SelMCode", "请先选择一个主码"},
    {"SubEmpty", "最小从码和从码数量不能为空"},
    {"SValueEmpty", "初始值和递增量不能为空"},
    {"PgNumErr", "此条件生成的最大从码值的位数大于编程位数，请重新输入条件"},
    {"InitVEmpty", "初始值不能为空"},
    {"Notify", "系统提示"},
    {"Function", "功能说明"},
    {"tLength", "编程位数"},
    {"tValue", "编程值"},
    {"SaveFailed", "修改未能保存到数据库："},
    {"NotLoaded", "工具数据库在启动时未能完整读取，为免覆盖已存储的数据，现在不能修改设备型号。"
                  "请在数据库恢复正常后重新启动本工具。"},
};

// Voice page.
inline constexpr TextKey kVoice[] = {
    {"ConfList", "配置列表"},
    {"WavList", "添加新声音"},
    {"TestPlay", "试听"},
    {"LoadWav", "导入声音"},
    {"DelWav", "删 除"},
    {"RecordWav", "录音"},
    {"NewWavName", "新声音文件名"},
    {"AdvancedConf", "高级设置"},
    {"UseTimer", "启动录音时限"},
    {"RecordTime", "录音时间"},
    {"TimeUnit", "毫秒"},
    {"BtSend", "发送命令"},
    {"ExistWavFile", "已经存在相同名称的声音文件，确定要替换吗？"},
    {"NameEmpty", "请先输入文件名"},
    {"ExistFile", "已经存在该名称的声音文件，请重新出入"},
    {"TimeEmpty", "启用限时录音时，时间不能为空"},
    {"SelWav", "请选择一个声音文件"},
    {"SureWrite", "确定要写入设备吗？"},
    {"CantRecord", "不能录音"},
    {"CantSave", "不能保存"},
    {"WriteAll", "声音写入完毕"},
    {"SureDel", "确定要删除吗？"},
    {"WavType", "类型"},
    {"WavName", "说明"},
    {"WavRemark", "说明"},
    {"WavNumber", "序号"},
    {"StartRecord", "开始录音"},
    {"StopRecord", "停止录音"},
    {"StartPlay", "开始播放"},
    {"StopPlay", "停止播放"},
    {"CantDel", "该声音文件已经被引用，不能删除"},
    {"CopyFailed", "声音文件复制失败："},
    {"DelFailed", "声音文件删除失败："},
    {"NoSound", "没有可用的声音输出设备，未写入设备"},
    {"MissingWav", "缺少以下声音文件，未写入设备："},
    {"NotSent", "未写入的提示（序号）："},
    {"SaveFailed", "声音配置未能保存到数据库："},
};

} // namespace text_keys

inline constexpr TextTableKeys kQvToolsTable{"tb_QvTools", text_keys::kQvTools};
inline constexpr TextTableKeys kControlTable{"tb_Control", text_keys::kControl};
inline constexpr TextTableKeys kProgramTable{"tb_Program", text_keys::kProgram};
inline constexpr TextTableKeys kConfigureTable{"tb_Configure", text_keys::kConfigure};
inline constexpr TextTableKeys kVoiceTable{"tb_Voice", text_keys::kVoice};

inline constexpr TextTableKeys kTextTables[] = {kQvToolsTable, kControlTable, kProgramTable, kConfigureTable,
                                                kVoiceTable};
