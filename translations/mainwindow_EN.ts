<?xml version='1.0' encoding='utf-8'?>
<TS version="2.1" language="en">
<context>
    <name>MainWindow</name>
    <message>
        <source>Larkspur</source>
        <translation>Larkspur</translation>
    </message>
    <message>
        <source>数据显示</source>
        <translation>Data Display</translation>
    </message>
    <message>
        <source>暂停显示</source>
        <translation>Pause display</translation>
    </message>
    <message>
        <source>滚动</source>
        <translation>Scroll</translation>
    </message>
    <message>
        <source>清空</source>
        <translation>Clear</translation>
    </message>
    <message>
        <source>删除全部筛选条件</source>
        <translation>Delete all filter conditions</translation>
    </message>
    <message>
        <source>实时保存</source>
        <translation>Real-time save</translation>
    </message>
    <message>
        <source>通道1：接收帧计数：</source>
        <translation>CH1: Rx frames:</translation>
    </message>
    <message>
        <source>0</source>
        <translation>0</translation>
    </message>
    <message>
        <source>帧率R：</source>
        <translation>Rate R:</translation>
    </message>
    <message>
        <source>0/s;</source>
        <translation>0/s;</translation>
    </message>
    <message>
        <source>发送帧计数:</source>
        <translation>Tx frames:</translation>
    </message>
    <message>
        <source>帧率T：</source>
        <translation>Rate T:</translation>
    </message>
    <message>
        <source>通道2：接收帧计数：</source>
        <translation>CH2: Rx frames:</translation>
    </message>
    <message>
        <source>复位计数</source>
        <translation>Reset counts</translation>
    </message>
    <message>
        <source>操作记录</source>
        <translation>Operation Log</translation>
    </message>
    <message>
        <source>设备已关闭！</source>
        <translation>Device closed!</translation>
    </message>
    <message>
        <source>通道1打开成功！</source>
        <translation>Channel 1 opened successfully!</translation>
    </message>
    <message>
        <source>通道2打开成功！</source>
        <translation>Channel 2 opened successfully!</translation>
    </message>
    <message>
        <source>：</source>
        <translation>: </translation>
    </message>
</context>
<context>
    <name>savefileDlg</name>
    <message>
        <source>保存文件</source>
        <translation>Save File</translation>
    </message>
    <message>
        <source>全部数据</source>
        <translation>All data</translation>
    </message>
    <message>
        <source>筛选后数据</source>
        <translation>Filtered data</translation>
    </message>
    <message>
        <source>...</source>
        <translation>...</translation>
    </message>
    <message>
        <source>提示：文件创建失败，请选择其他路径。</source>
        <translation>Tip: the file could not be created, please choose another path.</translation>
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
        <source>保存CSV文件</source>
        <translation>Save CSV File</translation>
    </message>
    <message>
        <source>CSV Files (*.csv)</source>
        <translation>CSV Files (*.csv)</translation>
    </message>
</context>
<context>
    <name>valueDialog</name>
    <message>
        <source>Dialog</source>
        <translation>Dialog</translation>
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
</TS>