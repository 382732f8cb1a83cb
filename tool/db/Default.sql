-- The shipped data of the tool database: the device models the tool knows out of the box, with their
-- master codes, sub codes and factory values, and the 40 voice prompt slots of a terminal.
--
-- Digit string values (ProType 1) are zero-filled to CodeNum digits, as the tool writes them; strings,
-- IP addresses and telephone numbers are free text. An empty value means "not programmed".

-- Device models.
INSERT INTO tb_Terminal (TerID, TerName, AdminPsw) VALUES
    (0, 'ZV-P816 报警主机', '123456'),
    (1, 'ZV-K200 液晶键盘', '1234'),
    (2, 'ZV-N100 网络模块', '888888');

-- ZV-P816: the 16-zone alarm panel.
INSERT INTO tb_MasterCode (MasterCode, TerID, ProType, Function, HaveOrder, lDescribe, rDescribe, CodeNum, Remark) VALUES
    (1, 0, 1, '进入延时', 0, '进入延时(秒)', '', 3, '布防后触发延时防区到报警的时间，000至255秒'),
    (2, 0, 1, '退出延时', 0, '退出延时(秒)', '', 3, '布防后离开的时间，其间触发延时防区不报警，000至255秒'),
    (3, 0, 1, '警号鸣响时间', 0, '警号鸣响时间(分)', '', 2, '报警时警号鸣响的时间，01至30分钟'),
    (4, 0, 1, '防区类型', 1, '防区', '类型', 2, '00未用 01延时 02周界 03内部 04二十四小时 05火警 06紧急'),
    (5, 0, 1, '用户密码', 1, '用户', '密码', 4, '撤布防用的用户密码，未编程的用户不能操作'),
    (6, 0, 1, '中心用户编号', 0, '用户编号', '', 4, '向报警中心报告时使用的用户编号'),
    (10, 0, 3, '报警电话', 1, '报警电话', '', 16, '报警时依次拨打的电话号码，最多16位'),
    (11, 0, 3, '中心电话', 0, '中心电话', '', 16, '报警中心的接警电话号码'),
    (20, 0, 2, '中心IP地址', 1, '第', '中心IP地址', 15, '主中心和备用中心的IP地址，主中心不通时报告备用中心'),
    (21, 0, 2, '本机IP地址', 0, '本机IP地址', '', 15, '主机网络接口的IP地址'),
    (22, 0, 2, '子网掩码', 0, '子网掩码', '', 15, '主机网络接口的子网掩码'),
    (23, 0, 2, '默认网关', 0, '默认网关', '', 15, '主机网络接口的默认网关'),
    (24, 0, 1, '中心端口', 0, '中心端口号', '', 5, '报警中心接收报告的UDP端口'),
    (30, 0, 0, '防区名称', 1, '防区', '名称', 16, '报警时显示在键盘液晶屏上的防区名称，最多16个字符'),
    (31, 0, 0, '主机名称', 0, '主机名称', '', 16, '显示在键盘液晶屏和报告中的主机名称');

INSERT INTO tb_SubCode (TerID, MasterCode, SubCode, CodeValue) VALUES
    (0, 1, 1, '030'),
    (0, 2, 1, '060'),
    (0, 3, 1, '05'),
    (0, 4, 1, '01'), (0, 4, 2, '01'), (0, 4, 3, '02'), (0, 4, 4, '02'),
    (0, 4, 5, '02'), (0, 4, 6, '02'), (0, 4, 7, '02'), (0, 4, 8, '02'),
    (0, 4, 9, '03'), (0, 4, 10, '03'), (0, 4, 11, '03'), (0, 4, 12, '03'),
    (0, 4, 13, '06'), (0, 4, 14, '05'), (0, 4, 15, '04'), (0, 4, 16, '00'),
    (0, 5, 1, '1234'), (0, 5, 2, ''), (0, 5, 3, ''), (0, 5, 4, ''),
    (0, 5, 5, ''), (0, 5, 6, ''), (0, 5, 7, ''), (0, 5, 8, ''),
    (0, 6, 1, '0001'),
    (0, 10, 1, ''), (0, 10, 2, ''), (0, 10, 3, ''), (0, 10, 4, ''),
    (0, 11, 1, ''),
    (0, 20, 1, '192.168.1.200'), (0, 20, 2, ''),
    (0, 21, 1, '192.168.1.100'),
    (0, 22, 1, '255.255.255.0'),
    (0, 23, 1, '192.168.1.1'),
    (0, 24, 1, '07000'),
    (0, 30, 1, '前门'), (0, 30, 2, '后门'), (0, 30, 3, '车库门'), (0, 30, 4, '客厅窗'),
    (0, 30, 5, '餐厅窗'), (0, 30, 6, '主卧窗'), (0, 30, 7, '次卧窗'), (0, 30, 8, '书房窗'),
    (0, 30, 9, '客厅红外'), (0, 30, 10, '走廊红外'), (0, 30, 11, '楼梯红外'), (0, 30, 12, '车库红外'),
    (0, 30, 13, '紧急按钮'), (0, 30, 14, '厨房烟感'), (0, 30, 15, '厨房燃气'), (0, 30, 16, ''),
    (0, 31, 1, 'ZV-P816');

-- ZV-K200: the LCD keypad on the panel's bus, with eight zones of its own.
INSERT INTO tb_MasterCode (MasterCode, TerID, ProType, Function, HaveOrder, lDescribe, rDescribe, CodeNum, Remark) VALUES
    (1, 1, 1, '键盘地址', 0, '键盘地址', '', 2, '键盘在主机总线上的地址，01至08'),
    (2, 1, 1, '背光时间', 0, '背光时间(秒)', '', 2, '最后一次按键后液晶屏背光保持的时间，00为常亮'),
    (3, 1, 1, '按键音', 0, '按键音', '', 1, '0关闭 1开启'),
    (4, 1, 1, '防区对应', 1, '键盘防区', '对应主机防区', 2, '键盘自带的8个防区在主机上的防区号'),
    (5, 1, 0, '欢迎信息', 1, '第', '行欢迎信息', 16, '待机时液晶屏显示的两行文字，每行最多16个字符'),
    (6, 1, 3, '物业电话', 0, '物业电话', '', 16, '按求助键时拨打的物业值班电话');

INSERT INTO tb_SubCode (TerID, MasterCode, SubCode, CodeValue) VALUES
    (1, 1, 1, '01'),
    (1, 2, 1, '15'),
    (1, 3, 1, '1'),
    (1, 4, 1, '01'), (1, 4, 2, '02'), (1, 4, 3, '03'), (1, 4, 4, '04'),
    (1, 4, 5, '05'), (1, 4, 6, '06'), (1, 4, 7, '07'), (1, 4, 8, '08'),
    (1, 5, 1, 'Zenvar'), (1, 5, 2, '欢迎使用'),
    (1, 6, 1, '');

-- ZV-N100: the network module that reports a panel's alarms to up to three receiving centres.
INSERT INTO tb_MasterCode (MasterCode, TerID, ProType, Function, HaveOrder, lDescribe, rDescribe, CodeNum, Remark) VALUES
    (1, 2, 2, '本机IP地址', 0, '本机IP地址', '', 15, '模块的IP地址'),
    (2, 2, 2, '子网掩码', 0, '子网掩码', '', 15, '模块的子网掩码'),
    (3, 2, 2, '默认网关', 0, '默认网关', '', 15, '模块的默认网关'),
    (4, 2, 2, '接警中心地址', 1, '接警中心', 'IP地址', 15, '依次报告的接警中心，未编程的中心不报告'),
    (5, 2, 1, '接警中心端口', 1, '接警中心', '端口', 5, '各接警中心接收报告的UDP端口'),
    (6, 2, 1, '心跳间隔', 0, '心跳间隔(秒)', '', 3, '向接警中心发送心跳报文的间隔，000为不发送'),
    (7, 2, 3, '短信号码', 1, '短信号码', '', 16, '报警时发送短信的手机号码');

INSERT INTO tb_SubCode (TerID, MasterCode, SubCode, CodeValue) VALUES
    (2, 1, 1, '192.168.1.120'),
    (2, 2, 1, '255.255.255.0'),
    (2, 3, 1, '192.168.1.1'),
    (2, 4, 1, '192.168.1.200'), (2, 4, 2, ''), (2, 4, 3, ''),
    (2, 5, 1, '07000'), (2, 5, 2, '07000'), (2, 5, 3, '07000'),
    (2, 6, 1, '060'),
    (2, 7, 1, ''), (2, 7, 2, ''), (2, 7, 3, '');

-- The voice prompt slots. How long a prompt may play depends on its slot: zone names (1 to 16) and alarm
-- types (31 to 36) get 1.6 seconds, the alarm message (20) 3.6 seconds, every other slot 0.6 seconds.
-- The digits (21 to 30) let the terminal speak numbers: zones, users and telephone numbers.
INSERT INTO tb_Sound (byOrder, WavType, Remark) VALUES
    (0, '欢迎', '开机欢迎语');
INSERT INTO tb_SoundEg (byOrder, WavType, Remark) VALUES
    (0, 'Welcome', 'Greeting at power-up');

WITH RECURSIVE zone(n) AS (SELECT 1 UNION ALL SELECT n + 1 FROM zone WHERE n < 16)
INSERT INTO tb_Sound (byOrder, WavType, Remark) SELECT n, '防区名称', '防区' || n || '名称' FROM zone;
WITH RECURSIVE zone(n) AS (SELECT 1 UNION ALL SELECT n + 1 FROM zone WHERE n < 16)
INSERT INTO tb_SoundEg (byOrder, WavType, Remark) SELECT n, 'Zone name', 'Name of zone ' || n FROM zone;

INSERT INTO tb_Sound (byOrder, WavType, Remark) VALUES
    (17, '布防', '系统已布防'),
    (18, '撤防', '系统已撤防'),
    (19, '消警', '警情已消除'),
    (20, '报警信息', '报警时播放的完整报警信息');
INSERT INTO tb_SoundEg (byOrder, WavType, Remark) VALUES
    (17, 'Armed', 'The system is armed'),
    (18, 'Disarmed', 'The system is disarmed'),
    (19, 'Alarm cleared', 'The alarm has been cleared'),
    (20, 'Alarm message', 'The whole message played in an alarm');

WITH RECURSIVE digit(n) AS (SELECT 0 UNION ALL SELECT n + 1 FROM digit WHERE n < 9)
INSERT INTO tb_Sound (byOrder, WavType, Remark) SELECT 21 + n, '数字', '数字' || n FROM digit;
WITH RECURSIVE digit(n) AS (SELECT 0 UNION ALL SELECT n + 1 FROM digit WHERE n < 9)
INSERT INTO tb_SoundEg (byOrder, WavType, Remark) SELECT 21 + n, 'Digit', 'The digit ' || n FROM digit;

INSERT INTO tb_Sound (byOrder, WavType, Remark) VALUES
    (31, '警情类型', '火警'),
    (32, '警情类型', '匪警'),
    (33, '警情类型', '紧急求助'),
    (34, '警情类型', '燃气泄漏'),
    (35, '警情类型', '防拆报警'),
    (36, '警情类型', '电源故障'),
    (37, '操作提示', '请输入密码'),
    (38, '操作提示', '密码错误'),
    (39, '操作提示', '操作成功');
INSERT INTO tb_SoundEg (byOrder, WavType, Remark) VALUES
    (31, 'Alarm type', 'Fire'),
    (32, 'Alarm type', 'Burglary'),
    (33, 'Alarm type', 'Emergency call'),
    (34, 'Alarm type', 'Gas leak'),
    (35, 'Alarm type', 'Tamper'),
    (36, 'Alarm type', 'Power failure'),
    (37, 'Prompt', 'Enter your code'),
    (38, 'Prompt', 'Wrong code'),
    (39, 'Prompt', 'Done');

-- The sample voice files come assigned: a first transfer works out of the box.
UPDATE tb_Sound SET WavName = 'Welcome.wav' WHERE byOrder = 0;
UPDATE tb_Sound SET WavName = 'Armed.wav' WHERE byOrder = 17;
UPDATE tb_Sound SET WavName = 'Disarmed.wav' WHERE byOrder = 18;
UPDATE tb_SoundEg SET WavName = 'Welcome.wav' WHERE byOrder = 0;
UPDATE tb_SoundEg SET WavName = 'Armed.wav' WHERE byOrder = 17;
UPDATE tb_SoundEg SET WavName = 'Disarmed.wav' WHERE byOrder = 18;
