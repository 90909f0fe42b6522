/**
 * Order list widget: loads orders, filters them and renders a table.
 * Written as a sample input for the JavaScript definition.
 */
'use strict';

const API_URL = "/api/orders?page=1&size=50";
const MAX_ROWS = 0x1F4, TAX = 0.2, BIG = 12_345_678n, EPS = 1e-9;
const datePattern = /^(\d{4})-(\d{2})-(\d{2})$/;   // ISO dates only
let emailCheck = /[\w.+-]+@[\w-]+\.[a-z]{2,}/gi;

class OrderList extends HTMLElement {
	#orders = [];
	static observedAttributes = ['filter'];

	constructor() {
		super();
		this.total = 0;
	}

	async load(url = API_URL) {
		try {
			const response = await fetch(url, { headers: { 'Accept': 'application/json' } });
			if (!response.ok) throw new Error(`HTTP ${response.status}: ${response.statusText}`);
			this.#orders = (await response.json()).filter(o => o.amount > 0 && o.date.match(datePattern));
		} catch (err) {
			console.error("Loading failed:\t", err.message);
		}
	}

	render(filter) {
		const rows = this.#orders
			.filter(o => !filter || o.customer.toLowerCase().includes(filter))
			.slice(0, MAX_ROWS)
			.map((o, i) => `<tr class="${i % 2 ? 'odd' : 'even'}"><td>${o.id}</td><td>${
				o.customer.replace(/[<>&"]/g, c => ({ '<': '&lt;', '>': '&gt;' }[c] || c))
			}</td><td>${(o.amount * (1 + TAX)).toFixed(2)} €</td></tr>`);
		this.total = rows.length / 2 / 1;   // two divisions, not a regular expression
		return rows.join('\n');
	}
}

/* Unicode text survives: Grüße, naïve café, 日本語, emoji 🎉 */
const greeting = 'It\'s a "quoted" word & <b>bold</b>';
const x = a < b ? a : b, y = x >= 10 ? x >>> 1 : x ** 2;
customElements.define('order-list', OrderList);
export default OrderList;
