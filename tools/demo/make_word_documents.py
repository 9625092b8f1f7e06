#!/usr/bin/python3
"""Writes the documents of the demo lab's Word tasks into tools/demo/word/.

Each document is what the candidate receives: unformatted text (a title, two
body paragraphs) and a table, so that every formatting rule of the task's
answer must be done by the candidate. Run it again after changing a text, and
commit the .docx files (the demo library embeds them at build time).

    /usr/bin/python3 tools/demo/make_word_documents.py
"""
from pathlib import Path

from docx import Document
from docx.oxml.ns import qn
from docx.shared import Pt

OUT = Path(__file__).resolve().parent / "word"

DOCUMENTS = {
    "word1.docx": {
        "title": "计算机的发展",
        "body": [
            "1946年，世界上第一台电子数字电脑ENIAC在美国宾夕法尼亚大学诞生。它使用了一万八千多个电子管，"
            "占地一百七十平方米，重达三十吨，每秒钟可以进行五千次加法运算。",
            "从第一台电脑诞生到今天，电脑经历了电子管、晶体管、集成电路和大规模集成电路四个发展阶段。"
            "电脑的体积越来越小，运算速度越来越快，价格越来越低，应用也越来越广泛。",
        ],
        "table": [
            ["", "主要电子元件", "运算速度"],
            ["第一代", "电子管", "每秒几千次"],
            ["第二代", "晶体管", "每秒几十万次"],
            ["第三代", "中小规模集成电路", "每秒几百万次"],
            ["第四代", "大规模和超大规模集成电路", "每秒上亿次"],
        ],
    },
    "word2.docx": {
        "title": "计算机网络概述",
        "body": [
            "计算机网络是把分布在不同地点、具有独立功能的多台计算机，用通信线路和通信设备连接起来，"
            "按照网络协议进行数据通信，实现资源共享的系统。",
            "按照覆盖的地理范围，计算机网络可以分为局域网、城域网和广域网。因特网是目前世界上规模最大的"
            "计算机网络，它把全世界数以亿计的计算机连接在一起。",
        ],
        "table": [
            ["网络类型", "覆盖范围", "举例"],
            ["局域网", "几米到几千米", "校园网"],
            ["城域网", "几千米到几十千米", "城市宽带网"],
            ["广域网", "几十千米以上", "因特网"],
        ],
    },
    "word3.docx": {
        "title": "计算机病毒及其防治",
        "body": [
            "计算机毒病是一种人为编制的、能够自我复制并破坏计算机功能或数据的程序，它具有传染性、"
            "潜伏性、隐蔽性和破坏性。",
            "预防计算机病毒，要安装杀毒软件并及时升级，不打开来历不明的邮件附件，不使用来路不明的"
            "移动存储设备，并定期备份重要数据。",
        ],
        "table": [
            ["病毒类型", "感染对象", ""],
            ["引导型病毒", "磁盘引导扇区", "大麻病毒"],
            ["文件型病毒", "可执行文件", "黑色星期五"],
            ["宏病毒", "文档和模板", "梅丽莎病毒"],
        ],
    },
}


def set_base_font(document):
    """Body text in 宋体 12 pt (小四), as a Chinese teacher's template has it."""
    normal = document.styles["Normal"]
    normal.font.name = "Times New Roman"
    normal.font.size = Pt(12)
    normal.element.get_or_add_rPr().get_or_add_rFonts().set(qn("w:eastAsia"), "宋体")


def write(name, spec):
    document = Document()
    set_base_font(document)
    document.add_paragraph(spec["title"])
    for text in spec["body"]:
        document.add_paragraph(text)
    rows = spec["table"]
    table = document.add_table(rows=len(rows), cols=len(rows[0]))
    table.style = "Table Grid"
    for r, row in enumerate(rows):
        for c, text in enumerate(row):
            table.cell(r, c).text = text
    document.add_paragraph()  # Word documents end with a paragraph after a table
    document.save(OUT / name)


def main():
    OUT.mkdir(exist_ok=True)
    for name, spec in DOCUMENTS.items():
        write(name, spec)
        print(OUT / name)


if __name__ == "__main__":
    main()
