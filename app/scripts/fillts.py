#!/usr/bin/env python3
"""Fills the translations of translations/mainwindow_<LANG>.ts from the table below.

Run after lupdate when a form text of the main window, the value dialog or the save
dialog changes:  python3 app/scripts/fillts.py
"""
import pathlib
import xml.etree.ElementTree as ET

# source: (traditional Chinese, English)
TEXTS = {
    'Larkspur': ('Larkspur', 'Larkspur'),
    '数据显示': ('數據顯示', 'Data Display'),
    '暂停显示': ('暫停顯示', 'Pause display'),
    '滚动': ('滾動', 'Scroll'),
    '清空': ('清空', 'Clear'),
    '删除全部筛选条件': ('刪除全部篩選條件', 'Delete all filter conditions'),
    '实时保存': ('實時保存', 'Real-time save'),
    '通道1：接收帧计数：': ('通道1：接收幀計數：', 'CH1: Rx frames:'),
    '通道2：接收帧计数：': ('通道2：接收幀計數：', 'CH2: Rx frames:'),
    '0': ('0', '0'),
    '帧率R：': ('幀率R：', 'Rate R:'),
    '帧率T：': ('幀率T：', 'Rate T:'),
    '0/s;': ('0/s;', '0/s;'),
    '发送帧计数:': ('發送幀計數:', 'Tx frames:'),
    '复位计数': ('復位計數', 'Reset counts'),
    '操作记录': ('操作記錄', 'Operation Log'),
    '设备已关闭！': ('設備已關閉！', 'Device closed!'),
    '通道1打开成功！': ('通道1打開成功！', 'Channel 1 opened successfully!'),
    '通道2打开成功！': ('通道2打開成功！', 'Channel 2 opened successfully!'),
    '：': ('：', ': '),
    '保存文件': ('保存文件', 'Save File'),
    '全部数据': ('全部數據', 'All data'),
    '筛选后数据': ('篩選後數據', 'Filtered data'),
    '...': ('...', '...'),
    '提示：文件创建失败，请选择其他路径。': ('提示：文件創建失敗，請選擇其他路徑。',
                                   'Tip: the file could not be created, please choose another path.'),
    '确定': ('確定', 'OK'),
    '取消': ('取消', 'Cancel'),
    '保存CSV文件': ('保存CSV文件', 'Save CSV File'),
    'CSV Files (*.csv)': ('CSV 文件 (*.csv)', 'CSV Files (*.csv)'),
    'Dialog': ('Dialog', 'Dialog'),
}

root = pathlib.Path(__file__).resolve().parents[2] / 'translations'
for lang, column in (('CNF', 0), ('EN', 1)):
    path = root / f'mainwindow_{lang}.ts'
    tree = ET.parse(path)
    missing = []
    for message in tree.getroot().iter('message'):
        source = message.find('source').text
        translation = message.find('translation')
        if source not in TEXTS:
            missing.append(source)
            continue
        translation.text = TEXTS[source][column]
        translation.attrib.pop('type', None)
    tree.write(path, encoding='utf-8', xml_declaration=True)
    if missing:
        raise SystemExit(f'{path.name}: no translation for {missing}')
