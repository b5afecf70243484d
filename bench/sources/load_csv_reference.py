import csv, resource, sys
with open(sys.argv[1], newline='', encoding='utf-8-sig') as file:
    header, *records = csv.reader(file)
keys = [header.index(name) for name in ('VchDate', 'Narration', 'VchType', 'VchNo', 'RefNo')]
for above, row in zip(records, records[1:]):
    if any(cell.strip(' ') for cell in row):
        for k in keys:
            if row[k] == '':
                row[k] = above[k]
order = [header.index(name) for name in ('VchType', 'VchDate', 'VchNo', 'SrNo')]
records.sort(key=lambda row: [row[k].casefold() for k in order])
print(len(records), resource.getrusage(resource.RUSAGE_SELF).ru_maxrss // 1024)
