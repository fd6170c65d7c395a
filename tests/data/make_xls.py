#!/usr/bin/python3
"""Writes the .xls fixtures of the workbook reader tests (needs python3-xlwt).

Run from anywhere: /usr/bin/python3 tests/data/make_xls.py
The generated files are committed, so the tests do not need xlwt.
"""
import datetime
import os

import xlwt

here = os.path.dirname(os.path.abspath(__file__))


def recipients_and_other_sheet():
    book = xlwt.Workbook(encoding="utf-8")
    first = book.add_sheet("Recipients")
    dates = xlwt.easyxf(num_format_str="YYYY-MM-DD")
    rows = [
        ["Name", "Email", "Count", "Ratio", "Joined", "Note"],
        ["Zo\u00eb", "zoe@example.org", 42, 0.1, datetime.date(2024, 3, 9), "ohm \u03a9"],
        ["Bob", "bob@example.org", -7, 2.5, datetime.date(1999, 12, 31), None],
        ["Big", "big@example.org", 1234567890123, 1.0 / 3.0, None, "1e+20 below"],
        ["Huge", "huge@example.org", 1e20, -0.0, None, None],
    ]
    for r, row in enumerate(rows):
        for c, value in enumerate(row):
            if value is None:
                continue  # an empty cell
            if isinstance(value, datetime.date):
                first.write(r, c, value, dates)
            else:
                first.write(r, c, value)
    second = book.add_sheet("Other")
    second.write(0, 0, "Not")
    second.write(0, 1, "Read")
    second.write(1, 0, "x@example.org")
    book.save(os.path.join(here, "two_sheets_numbers_dates_empty_cells.xls"))


def blank_row_inside():
    book = xlwt.Workbook()
    sheet = book.add_sheet("Only")
    sheet.write(0, 0, "Email")
    sheet.write(2, 0, "a@example.org")  # row 2 (index 1) stays empty
    book.save(os.path.join(here, "blank_row_inside.xls"))


recipients_and_other_sheet()
blank_row_inside()
