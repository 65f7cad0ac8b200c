<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en">
<context>
    <name>SendPanels</name>
    <message>
        <source>通道1发送</source>
        <translation>Channel 1 Send</translation>
    </message>
    <message>
        <source>通道2发送</source>
        <translation>Channel 2 Send</translation>
    </message>
    <message>
        <source>帧格式：</source>
        <translation>Frame format:</translation>
    </message>
    <message>
        <source>标准帧</source>
        <translation>Standard Frame</translation>
    </message>
    <message>
        <source>扩展帧</source>
        <translation>Extended Frame</translation>
    </message>
    <message>
        <source>帧类型：</source>
        <translation>Frame type:</translation>
    </message>
    <message>
        <source>数据帧</source>
        <translation>data frame</translation>
    </message>
    <message>
        <source>远程帧</source>
        <translation>remote frame</translation>
    </message>
    <message>
        <source>协议：</source>
        <translation>Protocol:</translation>
    </message>
    <message>
        <source>CANFD加速</source>
        <translation>CANFD BRS</translation>
    </message>
    <message>
        <source>发送方式：</source>
        <translation>Send type:</translation>
    </message>
    <message>
        <source>正常发送</source>
        <translation>Normal</translation>
    </message>
    <message>
        <source>单次发送</source>
        <translation>Single shot</translation>
    </message>
    <message>
        <source>自发自收</source>
        <translation>Self receive</translation>
    </message>
    <message>
        <source>单次自发自收</source>
        <translation>Single self receive</translation>
    </message>
    <message>
        <source>发送文件</source>
        <translation>Send file</translation>
    </message>
    <message>
        <source>数据(0x)：</source>
        <translation>Data(0x):</translation>
    </message>
    <message>
        <source>数据递增</source>
        <translation>Data increment</translation>
    </message>
    <message>
        <source>发送</source>
        <translation>Send</translation>
    </message>
    <message>
        <source>发送总帧数：</source>
        <translation>Total frames:</translation>
    </message>
    <message>
        <source>发送间隔(ms)：</source>
        <translation>Interval(ms):</translation>
    </message>
    <message>
        <source>ID递增</source>
        <translation>ID increment</translation>
    </message>
    <message>
        <source>停止发送</source>
        <translation>Stop</translation>
    </message>
</context>
<context>
    <name>fileDlg</name>
    <message>
        <source>发送文件</source>
        <translation>Send file</translation>
    </message>
    <message>
        <source>CSV文件：</source>
        <translation>CSV file:</translation>
    </message>
    <message>
        <source>发送通道：</source>
        <translation>Channel:</translation>
    </message>
    <message>
        <source>随文件</source>
        <translation>From file</translation>
    </message>
    <message>
        <source>发送次数：</source>
        <translation>Repeat count:</translation>
    </message>
    <message>
        <source>发送间隔：</source>
        <translation>Interval:</translation>
    </message>
    <message>
        <source>固定间隔(ms)</source>
        <translation>Fixed interval(ms)</translation>
    </message>
    <message>
        <source>停止发送</source>
        <translation>Stop</translation>
    </message>
    <message>
        <source>打开CSV文件</source>
        <translation>Open CSV file</translation>
    </message>
</context>
<context>
    <name>DataDlg</name>
    <message>
        <source>数据编辑</source>
        <translation>Data editor</translation>
    </message>
    <message>
        <source>十六进制</source>
        <translation>Hex</translation>
    </message>
    <message>
        <source>十进制</source>
        <translation>Decimal</translation>
    </message>
    <message>
        <source>长度(字节)：</source>
        <translation>Length(bytes):</translation>
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
    <name>listSendDlg</name>
    <message>
        <source>列表发送</source>
        <translation>List send</translation>
    </message>
    <message>
        <source>导入</source>
        <translation>Import</translation>
    </message>
    <message>
        <source>导出</source>
        <translation>Export</translation>
    </message>
    <message>
        <source>发送</source>
        <translation>Send</translation>
    </message>
    <message>
        <source>停止发送</source>
        <translation>Stop</translation>
    </message>
    <message>
        <source>关闭</source>
        <translation>Close</translation>
    </message>
</context>
<context>
    <name>SiftDialog</name>
    <message>
        <source>筛选</source>
        <translation>Sift</translation>
    </message>
    <message>
        <source>确定</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>大小写敏感</source>
        <translation>Case sensitive</translation>
    </message>
    <message>
        <source>全文匹配</source>
        <translation>Whole text</translation>
    </message>
</context>
</TS>
