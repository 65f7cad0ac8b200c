<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_US" sourcelanguage="zh_CN">
<context>
    <name>OpenDlg</name>
    <message>
        <source>打开设备</source>
        <translation>Open Device</translation>
    </message>
    <message>
        <source>CAN卡型号：</source>
        <translation>CAN card type:</translation>
    </message>
    <message>
        <source>索引：</source>
        <translation>Index:</translation>
    </message>
    <message>
        <source>关闭设备</source>
        <translation>Close Device</translation>
    </message>
    <message>
        <source>设备信息</source>
        <translation>Device Info</translation>
    </message>
    <message>
        <source>Ferrule-2X：</source>
        <translation>Ferrule-2X:</translation>
    </message>
    <message>
        <source>启动</source>
        <translation>Start</translation>
    </message>
    <message>
        <source>停止</source>
        <translation>Stop</translation>
    </message>
    <message>
        <source>通道1：</source>
        <translation>Channel 1:</translation>
    </message>
    <message>
        <source>通道2：</source>
        <translation>Channel 2:</translation>
    </message>
</context>
<context>
    <name>ParaDialog</name>
    <message>
        <source>参数</source>
        <translation>Parameters</translation>
    </message>
    <message>
        <source>参数配置</source>
        <translation>Parameter configuration</translation>
    </message>
    <message>
        <source>通道1</source>
        <translation>Channel 1</translation>
    </message>
    <message>
        <source>通道2</source>
        <translation>Channel 2</translation>
    </message>
    <message>
        <source>工作模式：</source>
        <translation>Work mode:</translation>
    </message>
    <message>
        <source>正常</source>
        <translation>Normal</translation>
    </message>
    <message>
        <source>只听</source>
        <translation>Listen only</translation>
    </message>
    <message>
        <source>CANFD标准：</source>
        <translation>CANFD standard:</translation>
    </message>
    <message>
        <source>仲裁域波特率：</source>
        <translation>Arbitration bit rate:</translation>
    </message>
    <message>
        <source>数据域波特率：</source>
        <translation>Data bit rate:</translation>
    </message>
    <message>
        <source>启用滤波</source>
        <translation>Enable filter</translation>
    </message>
    <message>
        <source>自定义波特率</source>
        <translation>Custom baud rate</translation>
    </message>
    <message>
        <source>自定义波特率值请使用Timbrel生成</source>
        <translation>Please generate the custom baud rate value with Timbrel</translation>
    </message>
    <message>
        <source>保存</source>
        <translation>Save</translation>
    </message>
    <message>
        <source>确定</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>Cancel</translation>
    </message>
</context>
<context>
    <name>FilterDialog</name>
    <message>
        <source>过滤模式</source>
        <translation>Filter mode</translation>
    </message>
    <message>
        <source>起始ID(0x)</source>
        <translation>Start ID(0x)</translation>
    </message>
    <message>
        <source>结束ID(0x)</source>
        <translation>End ID(0x)</translation>
    </message>
    <message>
        <source>过滤模式:</source>
        <translation>Filter mode:</translation>
    </message>
    <message>
        <source>标准帧组ID</source>
        <translation>Standard frame ID group</translation>
    </message>
    <message>
        <source>标准帧明确ID</source>
        <translation>Standard frame single ID</translation>
    </message>
    <message>
        <source>扩展帧组ID</source>
        <translation>Extended frame ID group</translation>
    </message>
    <message>
        <source>扩展帧明确ID</source>
        <translation>Extended frame single ID</translation>
    </message>
    <message>
        <source>起始ID(0x):</source>
        <translation>Start ID(0x):</translation>
    </message>
    <message>
        <source>结束ID(0x):</source>
        <translation>End ID(0x):</translation>
    </message>
    <message>
        <source>添加</source>
        <translation>Add</translation>
    </message>
    <message>
        <source>删除</source>
        <translation>Delete</translation>
    </message>
    <message>
        <source>确定</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>Cancel</translation>
    </message>
</context>
<context>
    <name>INfDialog</name>
    <message>
        <source>信息</source>
        <translation>Information</translation>
    </message>
    <message>
        <source>板卡序列号：</source>
        <translation>Serial number:</translation>
    </message>
    <message>
        <source>通道数量：</source>
        <translation>Channels:</translation>
    </message>
    <message>
        <source>板卡中断号：</source>
        <translation>Interrupt number:</translation>
    </message>
    <message>
        <source>接口库版本号：</source>
        <translation>Interface library version:</translation>
    </message>
    <message>
        <source>驱动程序版本号：</source>
        <translation>Driver version:</translation>
    </message>
    <message>
        <source>固件版本号：</source>
        <translation>Firmware version:</translation>
    </message>
    <message>
        <source>硬件版本号：</source>
        <translation>Hardware version:</translation>
    </message>
    <message>
        <source>硬件类型：</source>
        <translation>Hardware type:</translation>
    </message>
    <message>
        <source>确定</source>
        <translation>OK</translation>
    </message>
</context>
<context>
    <name>UpdateDlg</name>
    <message>
        <source>升级固件</source>
        <translation>Upgrade firmware</translation>
    </message>
    <message>
        <source>是</source>
        <translation>Yes</translation>
    </message>
    <message>
        <source>否</source>
        <translation>No</translation>
    </message>
</context>
</TS>
