// The documents tables: filter, sort by column, pages. Every text from the
// statement is put into the page with textContent, never parsed as HTML.
(function () {
  "use strict";
  var PAGE = 100;
  var texts = JSON.parse(document.getElementById("report-texts").textContent);

  function fill(template, values) {
    return template.replace(/\{(\w+)\}/g, function (_, name) { return String(values[name]); });
  }

  // Amounts are compared exactly, as decimal strings: sign, then the
  // length and digits of the whole part, then the fraction.
  function decimalKey(text) {
    var negative = text.charAt(0) === "-";
    var parts = text.replace(/^[-+]/, "").split(".");
    var whole = parts[0].replace(/^0+/, "");
    var fraction = (parts[1] || "").replace(/0+$/, "");
    if (whole === "" && fraction === "") negative = false;
    return { negative: negative, whole: whole, fraction: fraction };
  }
  function compareMagnitude(a, b) {
    if (a.whole.length !== b.whole.length) return a.whole.length < b.whole.length ? -1 : 1;
    if (a.whole !== b.whole) return a.whole < b.whole ? -1 : 1;
    var n = Math.max(a.fraction.length, b.fraction.length);
    var fa = a.fraction.padEnd(n, "0"), fb = b.fraction.padEnd(n, "0");
    return fa === fb ? 0 : fa < fb ? -1 : 1;
  }
  function compareDecimal(a, b) {
    if (a.negative !== b.negative) return a.negative ? -1 : 1;
    var m = compareMagnitude(a, b);
    return a.negative ? -m : m;
  }
  var collator = new Intl.Collator(document.documentElement.lang, { numeric: true, sensitivity: "base" });

  function compareBy(column, type) {
    if (type === "amount") return function (x, y) { return compareDecimal(x.amount, y.amount); };
    if (type === "date") return function (x, y) { return x.date < y.date ? -1 : x.date > y.date ? 1 : 0; };
    return function (x, y) { return collator.compare(x.cells[column], y.cells[column]); };
  }

  function Table(root) {
    var source = document.getElementById(root.getAttribute("data-source"));
    var raw = JSON.parse(source.textContent);
    this.rows = raw.map(function (r, i) {
      return { index: i, cells: r.c, date: r.d, amount: decimalKey(r.a),
               haystack: r.c.join("\n").toLowerCase() };
    });
    this.view = this.rows.slice();
    this.page = 0;
    this.root = root;
    this.body = root.querySelector("tbody");
    this.types = Array.prototype.map.call(root.querySelectorAll("th"), function (th) {
      return th.getAttribute("data-type");
    });
    var table = this;
    root.querySelector("input.filter").addEventListener("input", function (event) {
      table.filter(event.target.value);
    });
    Array.prototype.forEach.call(root.querySelectorAll("th"), function (th, column) {
      th.addEventListener("click", function () { table.sort(column, th); });
    });
    root.querySelector("button.prev").addEventListener("click", function () { table.go(table.page - 1); });
    root.querySelector("button.next").addEventListener("click", function () { table.go(table.page + 1); });
    this.render();
  }
  Table.prototype.filter = function (query) {
    var needle = query.trim().toLowerCase();
    var order = this.order;
    this.view = this.rows.filter(function (row) { return row.haystack.indexOf(needle) !== -1; });
    if (order) this.view.sort(order);
    this.page = 0;
    this.render();
  };
  Table.prototype.sort = function (column, th) {
    var ascending = th.getAttribute("aria-sort") !== "ascending";
    Array.prototype.forEach.call(this.root.querySelectorAll("th"), function (other) {
      other.removeAttribute("aria-sort");
    });
    th.setAttribute("aria-sort", ascending ? "ascending" : "descending");
    var compare = compareBy(column, this.types[column]);
    this.order = function (x, y) {
      var c = compare(x, y);
      return (ascending ? c : -c) || x.index - y.index;
    };
    this.view.sort(this.order);
    this.page = 0;
    this.render();
  };
  Table.prototype.pages = function () { return Math.max(1, Math.ceil(this.view.length / PAGE)); };
  Table.prototype.go = function (page) {
    this.page = Math.min(Math.max(page, 0), this.pages() - 1);
    this.render();
  };
  Table.prototype.render = function () {
    var start = this.page * PAGE;
    var shown = this.view.slice(start, start + PAGE);
    var types = this.types;
    var fragment = document.createDocumentFragment();
    shown.forEach(function (row) {
      var tr = document.createElement("tr");
      row.cells.forEach(function (value, column) {
        var td = document.createElement("td");
        td.textContent = value;
        if (types[column] === "amount") td.className = "num";
        tr.appendChild(td);
      });
      fragment.appendChild(tr);
    });
    this.body.replaceChildren(fragment);
    this.root.querySelector(".shown").textContent =
      fill(texts.shown, { shown: this.view.length, total: this.rows.length });
    this.root.querySelector(".page").textContent = fill(texts.page, { page: this.page + 1, pages: this.pages() });
    this.root.querySelector("button.prev").disabled = this.page === 0;
    this.root.querySelector("button.next").disabled = this.page >= this.pages() - 1;
  };

  Array.prototype.forEach.call(document.querySelectorAll(".doc-table"), function (root) {
    root.velmoraTable = new Table(root);
  });
})();
