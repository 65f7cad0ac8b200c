<?xml version='1.0' encoding='utf-8'?>
<TS version="2.1" language="zh_CN">
<context>
    <name>MainWindow</name>
    <message>
        <source>Larkspur</source>
        <translation>Larkspur</translation>
    </message>
    <message>
        <source>：</source>
        <translation>：</translation>
    </message>
</context>
</TS>
