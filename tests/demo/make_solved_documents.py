#!/usr/bin/python3
"""Writes the demo Word tasks as a candidate who did everything right would save
them, into tests/demo/fixtures/:

    wordN-solved.docx     the formatting written as Word writes it
    wordN-solved-lo.docx  the same document after LibreOffice Writer opened and
                          saved it again (needs soffice)

The demo lab test grades them against the tasks' answer rules and expects full
marks. Run it again after changing a document or an answer:

    /usr/bin/python3 tests/demo/make_solved_documents.py
"""
import shutil
import subprocess
import tempfile
from pathlib import Path

from docx import Document
from docx.enum.table import WD_TABLE_ALIGNMENT, WD_CELL_VERTICAL_ALIGNMENT
from docx.enum.text import WD_ALIGN_PARAGRAPH, WD_LINE_SPACING
from docx.oxml import OxmlElement
from docx.oxml.ns import qn
from docx.shared import Pt, RGBColor, Twips

HERE = Path(__file__).resolve().parent
SOURCES = HERE.parent.parent / "tools" / "demo" / "word"
OUT = HERE / "fixtures"


def child(parent, tag, **attrs):
    """The first child element `tag` of parent, made when missing, with attrs set."""
    el = parent.find(qn(tag))
    if el is None:
        el = OxmlElement(tag)
        parent.append(el)
    for k, v in attrs.items():
        el.set(qn(k), v)
    return el


def first_in_ppr(paragraph, tag, **attrs):
    """A paragraph property that comes before the others in w:pPr (w:pBdr, w:shd)."""
    el = OxmlElement(tag)
    for k, v in attrs.items():
        el.set(qn(k), v)
    paragraph._p.get_or_add_pPr().insert(0, el)
    return el


def mark_rpr(paragraph):
    """The run properties of the paragraph mark (w:pPr/w:rPr)."""
    return child(paragraph._p.get_or_add_pPr(), "w:rPr")


def set_font(paragraph, east_asia=None, size=None, bold=None, colour=None):
    """Whole-paragraph character formatting, on every run and on the mark."""
    for rpr in [r._r.get_or_add_rPr() for r in paragraph.runs] + [mark_rpr(paragraph)]:
        if east_asia:
            child(rpr, "w:rFonts", **{"w:eastAsia": east_asia})
        if bold:
            child(rpr, "w:b")
        if colour:
            child(rpr, "w:color", **{"w:val": colour})
        if size:
            child(rpr, "w:sz", **{"w:val": str(int(size * 2))})


def split_first_character(paragraph):
    """Puts the first character of the paragraph's only run into a run of its own."""
    run = paragraph.runs[0]
    text = run.text
    run.text = text[1:]
    first = paragraph.add_run(text[0])
    run._r.addprevious(first._r)
    return first


def replace_text(document, old, new):
    for p in document.paragraphs:
        for r in p.runs:
            r.text = r.text.replace(old, new)


def page(document, width, height, **margins_pt):
    s = document.sections[0]
    s.page_width, s.page_height = Twips(width), Twips(height)
    for side, pt in margins_pt.items():
        setattr(s, side + "_margin", Pt(pt))


def cell_borders(cell, **sides):
    borders = child(cell._tc.get_or_add_tcPr(), "w:tcBorders")
    for side, style in sides.items():
        child(borders, "w:" + side, **{"w:val": style, "w:sz": "4", "w:space": "0", "w:color": "000000"})


def solve_word1(d):
    title, first = d.paragraphs[0], d.paragraphs[1]
    set_font(title, east_asia="黑体", size=16)
    title.alignment = WD_ALIGN_PARAGRAPH.CENTER
    first.paragraph_format.first_line_indent = Pt(24)
    first.paragraph_format.line_spacing_rule = WD_LINE_SPACING.ONE_POINT_FIVE
    replace_text(d, "电脑", "计算机")
    page(d, 11906, 16838, top=54, bottom=54)
    table = d.tables[0]
    table.cell(0, 0).text = "年代"
    table.alignment = WD_TABLE_ALIGNMENT.CENTER


def solve_word2(d):
    title, first, second = d.paragraphs[0], d.paragraphs[1], d.paragraphs[2]
    ji = split_first_character(title)
    set_font(title, east_asia="楷体", bold=True)
    title.alignment = WD_ALIGN_PARAGRAPH.CENTER
    ji.font.size = Pt(22)
    ji.font.color.rgb = RGBColor(0x00, 0x00, 0xFF)
    first.paragraph_format.line_spacing_rule = WD_LINE_SPACING.EXACTLY
    first.paragraph_format.line_spacing = Pt(20)
    first.paragraph_format.space_after = Pt(12)
    second.paragraph_format.left_indent = Pt(24)
    d.sections[0].header.paragraphs[0].text = "计算机基础知识"
    child(d.sections[0]._sectPr, "w:cols", **{"w:num": "2", "w:space": "425"})
    table = d.tables[0]
    row = table.add_row()
    row.cells[0].text = "个人区域网"
    row.cells[1].text = "约十米"
    row.cells[2].text = "蓝牙设备"
    for cell in table.rows[0].cells:
        cell_borders(cell, bottom="double")
        cell.vertical_alignment = WD_CELL_VERTICAL_ALIGNMENT.CENTER


def solve_word3(d):
    title, first, second = d.paragraphs[0], d.paragraphs[1], d.paragraphs[2]
    set_font(title, east_asia="黑体", size=18)
    title.alignment = WD_ALIGN_PARAGRAPH.CENTER
    borders = first_in_ppr(title, "w:pBdr")
    child(borders, "w:bottom", **{"w:val": "single", "w:sz": "4", "w:space": "1", "w:color": "auto"})
    first.paragraph_format.first_line_indent = Pt(24)
    first.alignment = WD_ALIGN_PARAGRAPH.JUSTIFY
    first_in_ppr(second, "w:shd", **{"w:val": "clear", "w:color": "auto", "w:fill": "FFFF00"})
    page(d, 10318, 14570, left=72, right=72)
    replace_text(d, "毒病", "病毒")
    table = d.tables[0]
    table.alignment = WD_TABLE_ALIGNMENT.CENTER
    table.cell(0, 2).text = "典型代表"
    table.rows[0].height = Pt(28)
    for cell in table.rows[0].cells:
        cell.vertical_alignment = WD_CELL_VERTICAL_ALIGNMENT.CENTER


def through_libreoffice(source, target):
    soffice = shutil.which("soffice")
    if not soffice:
        print("soffice not found: no LibreOffice copy of", source.name)
        return
    with tempfile.TemporaryDirectory() as work:
        profile = Path(work) / "profile"
        subprocess.run([soffice, f"-env:UserInstallation=file://{profile}", "--headless", "--convert-to",
                        "docx:MS Word 2007 XML", "--outdir", work, str(source)],
                       check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        shutil.copy(Path(work) / source.name, target)


def main():
    OUT.mkdir(exist_ok=True)
    for n, solve in ((1, solve_word1), (2, solve_word2), (3, solve_word3)):
        d = Document(SOURCES / f"word{n}.docx")
        solve(d)
        solved = OUT / f"word{n}-solved.docx"
        d.save(solved)
        through_libreoffice(solved, OUT / f"word{n}-solved-lo.docx")
        print(solved)


if __name__ == "__main__":
    main()
