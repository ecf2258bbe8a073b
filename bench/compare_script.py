#!/usr/bin/env python3
# What a user might write instead of the batch command: a spreadsheet library
# with no office. Each workbook is read twice, for the values the file stored
# and for its formulas; a cell whose value repeats one met earlier in the
# workbook (sheets in order, rows from the top, left to right) is emptied in
# the formulas' copy, which is saved. Values are compared as the library
# gives them, not as the office would show them.
#
#   compare_script.py RESULTS FILE...
import os
import sys

import openpyxl


def winnow(path, results):
    values = openpyxl.load_workbook(path, data_only=True)
    formulas = openpyxl.load_workbook(path)
    seen = set()
    for name in values.sheetnames:
        shown, written = values[name], formulas[name]
        for row in shown.iter_rows():
            for cell in row:
                if cell.value is None or cell.value == "":
                    continue
                text = str(cell.value)
                if text in seen:
                    written.cell(row=cell.row, column=cell.column).value = None
                else:
                    seen.add(text)
    formulas.save(os.path.join(results, os.path.basename(path)))


def main():
    results = sys.argv[1]
    os.makedirs(results, exist_ok=True)
    for path in sys.argv[2:]:
        winnow(path, results)


if __name__ == "__main__":
    main()
