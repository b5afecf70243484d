#!/usr/bin/python3
"""Prints the worksheets of a workbook as Debian's python3-xlrd reads them, in the form testworkbookreader
compares with the workbook reader's tables: a line per sheet with its used range, then a line per cell that
holds a value (row and column from 0, its type and its grid text). The first row holds the field names, which
keep only their grid text (type H; a date as YYYYMMDD).

    xlrdcells.py WORKBOOK.xls
"""

import datetime
import decimal
import sys

import xlrd


def number_text(value):
    if value == 0:
        return '0'
    text = format(decimal.Decimal(repr(float(value))), 'f')
    if '.' in text:
        text = text.rstrip('0').rstrip('.')
    return text


def cell_text(cell, datemode):
    """The type letter and text of a cell, or None for a null one."""
    if cell.ctype == xlrd.XL_CELL_TEXT:
        return ('T', cell.value) if cell.value else None
    if cell.ctype == xlrd.XL_CELL_NUMBER:
        return 'N', number_text(cell.value)
    if cell.ctype == xlrd.XL_CELL_DATE:
        epoch = datetime.datetime(1904, 1, 1) if datemode else datetime.datetime(1899, 12, 30)
        moment = epoch + datetime.timedelta(milliseconds=round(cell.value * 86400000))
        return 'D', moment.strftime('%Y%m%d %H:%M:%S.') + '%03d' % (moment.microsecond // 1000)
    if cell.ctype == xlrd.XL_CELL_BOOLEAN:
        return 'B', 'Yes' if cell.value else 'No'
    return None


def main():
    book = xlrd.open_workbook(sys.argv[1])
    for sheet in book.sheets():
        print('sheet %s %d x %d' % (sheet.name, sheet.nrows, sheet.ncols))
        for r in range(sheet.nrows):
            for c in range(sheet.row_len(r)):
                shown = cell_text(sheet.cell(r, c), book.datemode)
                if shown is not None and r == 0:
                    shown = ('H', shown[1][:8] if shown[0] == 'D' else shown[1])
                if shown is not None:
                    print('%d %d %s %s' % (r, c, shown[0], shown[1].replace('\n', '\\n')))


if __name__ == '__main__':
    main()
