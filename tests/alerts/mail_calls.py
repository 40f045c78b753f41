"""The calls that the alert mails (or web hook documents) in a folder list:
one line per call, "RULE<TAB>DATE TIME<TAB>LINE<TAB>NUMBER", sorted, and on
standard error one line per message, "RULE-COUNT CALL-COUNT" (a digest names
one rule). Usage: mail_calls.py FOLDER
"""
import email
import email.policy
import json
import os
import sys

folder = sys.argv[1]
calls = []
for name in sorted(os.listdir(folder)) if os.path.isdir(folder) else []:
    path = os.path.join(folder, name)
    if name.endswith(".json"):
        with open(path, "rb") as f:
            document = json.load(f)
        rules = [(r["rule"], [(c["date"] + " " + c["time"], c["line"], c["number"])
                              for c in r["calls"]]) for r in document["rules"]]
    elif name.endswith(".eml"):
        with open(path, "rb") as f:
            message = email.message_from_binary_file(f, policy=email.policy.default)
        rules, rule = [], None
        for line in message.get_content().splitlines():
            if line.startswith("Rule: "):
                rule = (line[6:], [])
                rules.append(rule)
            elif rule and line[:2].isdigit() and line[4:5] == "-":
                fields = line.split()
                rule[1].append((fields[0] + " " + fields[1], fields[2], fields[-3]))
    else:
        continue
    print(len(rules), sum(len(c) for _, c in rules), file=sys.stderr)
    for rule, rule_calls in rules:
        calls += ["%s\t%s\t%s\t%s" % (rule, *call) for call in rule_calls]
print("\n".join(sorted(calls)))
