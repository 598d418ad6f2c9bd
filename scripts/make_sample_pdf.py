#!/usr/bin/env python3
"""Writes the sample document: a few pages of an English technical paper set
in two columns, with headings, a figure and its caption, a display formula and
a reference list. Usage: make_sample_pdf.py OUTPUT.pdf"""

import sys

from reportlab.graphics.shapes import Drawing, Line, PolyLine, Rect, String
from reportlab.lib.pagesizes import letter
from reportlab.lib.styles import ParagraphStyle, getSampleStyleSheet
from reportlab.lib.units import inch
from reportlab.platypus import (BaseDocTemplate, Frame, PageTemplate, Paragraph, Spacer)

PARAGRAPHS = [
    "Modern storage engines must balance write amplification against read latency. "
    "Log-structured merge trees defer the cost of ordering data by buffering writes in "
    "memory and flushing them as immutable sorted runs, which are later merged in the "
    "background.",
    "The merge policy decides how many runs a lookup may have to probe. A tiered policy "
    "keeps several runs per level and merges them together, while a levelled policy keeps "
    "a single run per level and merges each incoming run into it immediately.",
    "We model the cost of both policies with a simple analytical framework. Let the size "
    "ratio between adjacent levels be T and the number of levels be L; the total data size "
    "then grows geometrically with the level index.",
    "Bloom filters attached to every run allow a point lookup to skip most runs that do not "
    "contain the key. The false positive rate of each filter depends on the number of bits "
    "allotted per key, and the optimal allocation assigns more bits to smaller levels.",
    "Range queries cannot benefit from Bloom filters, because a filter answers membership "
    "questions for single keys only. For short ranges, prefix filters recover part of the "
    "benefit at a modest memory cost.",
]

FORMULA = "C<sub>write</sub> = (T &#8722; 1) &#183; L / B,&nbsp;&nbsp;&nbsp; C<sub>read</sub> = L &#183; e<super>&#8722;b &#183; (ln 2)<super>2</super></super>"

REFERENCES = [
    "[1] P. O'Neil, E. Cheng, D. Gawlick, and E. O'Neil. The log-structured merge-tree. "
    "Acta Informatica, 33(4):351-385, 1996.",
    "[2] N. Dayan, M. Athanassoulis, and S. Idreos. Monkey: Optimal navigable key-value "
    "store. In Proceedings of SIGMOD, pages 79-94, 2017.",
    "[3] B. H. Bloom. Space/time trade-offs in hash coding with allowable errors. "
    "Communications of the ACM, 13(7):422-426, 1970.",
    "[4] S. Sarkar and M. Athanassoulis. Dissecting, designing, and optimizing LSM-based "
    "data stores. In Proceedings of SIGMOD, pages 2489-2497, 2022.",
]


def figure():
    d = Drawing(220, 120)
    d.add(Rect(0, 0, 220, 120, strokeColor=None, fillColor=None))
    d.add(Line(20, 15, 210, 15))
    d.add(Line(20, 15, 20, 115))
    d.add(PolyLine([20, 20, 60, 35, 100, 55, 140, 80, 180, 100, 205, 110], strokeWidth=1.5))
    d.add(PolyLine([20, 100, 60, 80, 100, 62, 140, 50, 180, 42, 205, 38], strokeWidth=1.5,
                   strokeDashArray=[3, 2]))
    d.add(String(120, 3, "size ratio T", fontSize=7))
    d.add(String(150, 104, "write cost", fontSize=7))
    d.add(String(150, 30, "read cost", fontSize=7))
    return d


def build(path):
    styles = getSampleStyleSheet()
    body = ParagraphStyle("body", parent=styles["BodyText"], fontName="Times-Roman",
                          fontSize=10, leading=12.5, alignment=4)
    heading = ParagraphStyle("heading", parent=styles["Heading2"], fontName="Helvetica-Bold",
                             fontSize=11.5, spaceBefore=8, spaceAfter=4)
    caption = ParagraphStyle("caption", parent=body, fontSize=8.5, leading=10, alignment=1)
    formula = ParagraphStyle("formula", parent=body, fontName="Times-Italic", alignment=1,
                             spaceBefore=6, spaceAfter=6)
    title = ParagraphStyle("title", parent=styles["Title"], fontName="Helvetica-Bold", fontSize=16)
    ref = ParagraphStyle("ref", parent=body, fontSize=8.5, leading=10.5, alignment=0)

    width, height = letter
    margin = 0.75 * inch
    gap = 0.3 * inch
    col = (width - 2 * margin - gap) / 2
    frames = [Frame(margin, margin, col, height - 2 * margin, id="left"),
              Frame(margin + col + gap, margin, col, height - 2 * margin, id="right")]

    def folio(canvas, doc):
        canvas.setFont("Times-Roman", 8)
        canvas.drawCentredString(width / 2, margin / 2, str(doc.page))

    doc = BaseDocTemplate(path, pagesize=letter, title="Merge Policies in Log-Structured Storage")
    doc.addPageTemplates([PageTemplate(id="two", frames=frames, onPage=folio)])

    story = [Paragraph("Merge Policies in Log-Structured Storage", title),
             Paragraph("<i>A. Author and B. Writer, Department of Computer Science</i>", caption),
             Spacer(1, 8),
             Paragraph("Abstract", heading),
             Paragraph(PARAGRAPHS[0] + " " + PARAGRAPHS[1], body)]
    sections = ["1 Introduction", "2 Background", "3 Cost Model", "4 Filters", "5 Evaluation",
                "6 Discussion"]
    for n, name in enumerate(sections):
        story.append(Paragraph(name, heading))
        for k in range(8):
            story.append(Paragraph(PARAGRAPHS[(n + k) % len(PARAGRAPHS)], body))
        if name.startswith("3"):
            story.append(Paragraph(FORMULA, formula))
        if name.startswith("5"):
            story.append(figure())
            story.append(Paragraph("Figure 1: Write and read cost as the size ratio T grows.",
                                   caption))
    story.append(Paragraph("References", heading))
    story.extend(Paragraph(r, ref) for r in REFERENCES)
    doc.build(story)


if __name__ == "__main__":
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    build(sys.argv[1])
