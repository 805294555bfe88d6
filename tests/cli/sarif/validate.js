// Validates each SARIF log named on the command line against the SARIF
// 2.1.0 JSON schema (the final one, rtm.5, as an npm package ships it).
// Prints every violation; exits 1 when there is one.
'use strict';
const fs = require('fs');
const path = require('path');
const Ajv = require('ajv');

const schemaPath = path.join(path.dirname(require.resolve('@microsoft/jest-sarif/package.json')),
                             'lib', 'schemas', 'sarif-2.1.0-rtm.5.json');
const ajv = new Ajv({schemaId: 'auto', allErrors: true});
ajv.addMetaSchema(require('ajv/lib/refs/json-schema-draft-04.json'));
const validate = ajv.compile(JSON.parse(fs.readFileSync(schemaPath, 'utf8')));

let failed = false;
for (const file of process.argv.slice(2)) {
  const log = JSON.parse(fs.readFileSync(file, 'utf8'));
  if (validate(log)) continue;
  failed = true;
  for (const e of validate.errors) console.log(`${file}: ${e.dataPath || '/'} ${e.message}`);
}
process.exit(failed ? 1 : 0);
