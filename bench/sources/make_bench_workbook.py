#!/usr/bin/python3
"""Writes the benchmark's workbook: one "Transactions" sheet of 20 columns and as many vouchers as fit.

    make_bench_workbook.py OUTPUT.xls ROWS [--no-dates]

An .xls sheet holds at most 65,536 rows, the header included, so ROWS is at most 65,535. With --no-dates the
voucher date is a text cell instead of a date cell.
"""

import datetime
import sys

import xlwt

HEADER = ['VchType', 'VchDate', 'VchNo', 'RefNo', 'SrNo', 'Ledger', 'Debit', 'Credit', 'Narration', 'CostCentre',
          'BillName', 'BillType', 'BillCreditPeriod', 'Quantity', 'Rate', 'Godown', 'Batch', 'Unit', 'Remarks',
          'Reference2']


def main():
    path, rows = sys.argv[1], int(sys.argv[2])
    dates = '--no-dates' not in sys.argv
    if rows > 65535:
        raise SystemExit('an .xls sheet holds at most 65,535 rows under its header')
    date_style = xlwt.easyxf(num_format_str='DD/MM/YYYY')
    book = xlwt.Workbook(encoding='utf-8')
    sheet = book.add_sheet('Transactions')
    for c, name in enumerate(HEADER):
        sheet.write(0, c, name)
    start = datetime.date(2024, 4, 1)
    for i in range(rows):
        r = i + 1
        voucher = i // 2
        first = i % 2 == 0
        if first:
            day = start + datetime.timedelta(days=voucher % 365)
            sheet.write(r, 0, 'Payment' if voucher % 3 else 'Receipt')
            if dates:
                sheet.write(r, 1, day, date_style)
            else:
                sheet.write(r, 1, day.strftime('%d/%m/%Y'))
            sheet.write(r, 2, voucher + 1)
            sheet.write(r, 3, 'REF-%d' % voucher)
            sheet.write(r, 8, 'Voucher %d narration text' % voucher)
        sheet.write(r, 4, 1 if first else 2)
        sheet.write(r, 5, 'Ledger %d' % (i % 997))
        amount = 100 + (voucher % 1000) + 0.25
        sheet.write(r, 6 if first else 7, amount)
        sheet.write(r, 9, 'Centre %d' % (i % 13))
        sheet.write(r, 10, 'BILL-%d' % voucher)
        sheet.write(r, 11, 'New Ref')
        sheet.write(r, 12, 30)
        sheet.write(r, 13, i % 50 + 1)
        sheet.write(r, 14, 12.5)
        sheet.write(r, 15, 'Main Store')
        sheet.write(r, 16, 'B-%d' % (i % 100))
        sheet.write(r, 17, 'Nos')
        sheet.write(r, 18, 'Remark for row %d' % r)
        sheet.write(r, 19, 'X%07d' % r)
    book.save(path)


if __name__ == '__main__':
    main()
